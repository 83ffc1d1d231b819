// Cost of the rules per frame, on full boards, with Google Benchmark.
#include "app/clock.h"
#include "game/gem.h"
#include "game/piece.h"
#include "game/random.h"
#include "play_field.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <memory>

namespace
{
// Colour (c + 2r) mod 5 never repeats along any of the four line directions: a full board
// with no line of three.
std::unique_ptr<Game> fullBoardWithoutLines(bool skipSpawnColumn = false)
{
    std::unique_ptr<Game> game(newSeededGame(9));
    for (int column = 0; column < kColumns; ++column)
    {
        for (int row = 0; row < kRows && !(skipSpawnColumn && column == kSpawnColumn); ++row)
        {
            putGem(*game, column, row, (column + 2 * row) % 5);
        }
    }
    return game;
}

// Puts the game back at the last settling frame, every gem at rest, so update runs the match pass.
void readyForMatchPass(Game& game)
{
    game.state = Settling;
    game.settling = 1;
    std::memset(game.marks, 0, sizeof game.marks);
}

void fallingStep(benchmark::State& state)
{
    const auto game = fullBoardWithoutLines(true);
    g_frameSeconds = 0.0f;  // the same arithmetic as any frame, and the piece stays aloft
    for (auto _ : state)
    {
        game->update();
        benchmark::DoNotOptimize(game->piece->gems[0]->position[1]);
    }
}
BENCHMARK(fallingStep);

void matchPassFindingNothing(benchmark::State& state)
{
    const auto game = fullBoardWithoutLines();
    g_frameSeconds = 0.016f;
    for (auto _ : state)
    {
        readyForMatchPass(*game);
        game->update();  // finds nothing, so spawns the next piece
    }
}
BENCHMARK(matchPassFindingNothing);

void matchPassFindingLines(benchmark::State& state)
{
    const auto game = fullBoardWithoutLines();
    // Two lines: a row and a column.
    for (int column = 0; column < 3; ++column)
    {
        putGem(*game, column, 5, 4);
    }
    putGem(*game, 5, 10, 1);
    putGem(*game, 5, 11, 1);
    putGem(*game, 5, 12, 1);
    g_frameSeconds = 0.016f;
    for (auto _ : state)
    {
        readyForMatchPass(*game);
        game->update();
        benchmark::DoNotOptimize(game->state);
    }
}
BENCHMARK(matchPassFindingLines);

void settlingStepEveryGemMoving(benchmark::State& state)
{
    const auto game = fullBoardWithoutLines();
    for (Gem* gem : game->gems)
    {
        gem->position[1] += 0.5f;  // every gem away from its cell
    }
    game->state = Settling;
    game->settling = 1;
    g_frameSeconds = 0.0f;  // they move by nothing, so they stay away for every iteration
    for (auto _ : state)
    {
        game->update();
    }
    if (game->state != Settling)
    {
        state.SkipWithError("settling ended");
    }
}
BENCHMARK(settlingStepEveryGemMoving);

void spawnPiece(benchmark::State& state)
{
    const std::unique_ptr<Game> game(newSeededGame(9));
    for (auto _ : state)
    {
        game->spawnPiece();
    }
}
BENCHMARK(spawnPiece);

// A whole game, headless: steer each piece by a fixed pattern, drop it, frames of 16 ms.
void wholeScriptedGame(benchmark::State& state)
{
    int64_t frames = 0;
    for (auto _ : state)
    {
        const std::unique_ptr<Game> game(newSeededGame(2026));
        g_frameSeconds = 0.016f;
        int piece = 0;
        while (game->state != GameOver)
        {
            const Piece* current = game->piece;
            for (int move = 0; move < piece % 5; ++move)
            {
                piece % 2 == 0 ? game->moveLeft() : game->moveRight();
            }
            if (piece % 3 == 0)
            {
                game->cycleColours();
            }
            game->hardDrop();
            while (game->piece == current && game->state != GameOver)
            {
                game->update();
                ++frames;
            }
            ++piece;
        }
    }
    state.counters["frames"] =
        benchmark::Counter(double(frames), benchmark::Counter::kAvgIterations);
}
BENCHMARK(wholeScriptedGame);
}  // namespace
