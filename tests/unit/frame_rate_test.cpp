#include "app/clock.h"
#include "game/piece.h"
#include "play_field.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace
{
using Command = void (Game::*)();

struct Timed
{
    double at;  // game seconds
    Command command;
};

// Moves and cycles at chosen times while pieces fall, and hard drops that make each landing
// independent of where the piece had got to.
const Timed kScript[] = {
    {0.5, &Game::moveLeft},     {0.9, &Game::moveLeft},     {1.2, &Game::hardDrop},
    {1.6, &Game::cycleColours}, {2.1, &Game::moveRight},    {2.4, &Game::hardDrop},
    {3.0, &Game::moveRight},    {3.2, &Game::moveRight},    {3.5, &Game::moveRight},
    {4.0, &Game::hardDrop},     {5.0, &Game::cycleColours}, {5.1, &Game::cycleColours},
    {5.3, &Game::hardDrop},     {6.0, &Game::moveLeft},     {7.0, &Game::hardDrop},
    {8.0, &Game::moveRight},    {8.5, &Game::hardDrop},
};
constexpr double kScriptEnd = 10.0;  // the next piece is still falling: no landing near the end

std::vector<std::string> playAt(float seconds)
{
    const std::unique_ptr<Game> game(newSeededGame(77));
    g_frameSeconds = seconds;
    double now = 0.0;
    size_t next = 0;
    while (now < kScriptEnd && game->state != GameOver)
    {
        while (next < std::size(kScript) && kScript[next].at <= now)
        {
            (game.get()->*kScript[next].command)();
            ++next;
        }
        game->update();
        now += seconds;
    }
    EXPECT_EQ(invariantViolation(*game), "");
    return boardText(*game);
}
}  // namespace

TEST(FrameRateIndependence, TheSameScriptEndsWithTheSameBoardAtAnyFrameTime)
{
    const auto reference = playAt(0.001f);
    EXPECT_GT(std::count_if(reference.begin(), reference.end(),
                            [](const std::string& row) { return row != "......"; }),
              2);
    for (float seconds : {0.016f, 0.05f, 0.1f})
    {
        EXPECT_EQ(playAt(seconds), reference) << seconds << " s frames";
    }
}

TEST(FrameRateIndependence, APieceOverAnEmptyColumnLandsWithinAFrameOfTheSameTime)
{
    // 11.9 rows at 2 rows per second, the last 0.1 row being the snap band.
    const double expected = (12.0 - 0.1) / 2.0;
    for (float seconds : {0.001f, 0.016f, 0.05f, 0.1f})
    {
        const std::unique_ptr<Game> game(newSeededGame(3));
        const Piece* first = game->piece;
        g_frameSeconds = seconds;
        int frames = 0;
        while (game->columnHeight(2) == 0 && frames < 100000)
        {
            game->update();
            ++frames;
        }
        EXPECT_NE(game->piece, first);
        // The landing is the step after the last motion step.
        const double landedAt = (frames - 1) * static_cast<double>(seconds);
        EXPECT_NEAR(landedAt, expected, seconds + 1e-6) << seconds << " s frames";
    }
}
