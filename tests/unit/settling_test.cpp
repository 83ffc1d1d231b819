#include "app/clock.h"
#include "game/gem.h"
#include "game/piece.h"
#include "play_field.h"

#include <gtest/gtest.h>
#include <memory>

namespace
{
std::unique_ptr<Game> gameWithBoard(const std::vector<std::string>& rows)
{
    std::unique_ptr<Game> game(newSeededGame());
    setBoard(*game, rows);
    return game;
}

// Runs the match pass and the clearing step, leaving the game at the first settling frame.
void clearLines(Game& game)
{
    game.findMatches();
    ASSERT_EQ(game.state, Clearing);
    stepFrames(game, 1, 0.016f);
    ASSERT_EQ(game.state, Settling);
    ASSERT_EQ(invariantViolation(game), "");
}

// Steps through the whole settling; returns how many frames it took.
int settle(Game& game, float seconds)
{
    int frames = 0;
    g_frameSeconds = seconds;
    while (game.state == Settling && frames < 10000)
    {
        game.update();
        ++frames;
        EXPECT_EQ(invariantViolation(game), "") << "settling frame " << frames;
    }
    return frames;
}
}  // namespace

TEST(Settling, GemsAboveAGapAreReassignedThenFallAtTenRowsPerSecond)
{
    const auto game = gameWithBoard({"3.....", "2.....", "111..."});
    Gem* middle = game->gems[cellIndex(0, 1)];
    Gem* top = game->gems[cellIndex(0, 2)];
    const int liveBefore = Gem::liveCount();
    clearLines(*game);
    EXPECT_EQ(Gem::liveCount(), liveBefore - 3);

    // Frame 1: new cells in the grids, new speed, nothing moves.
    stepFrames(*game, 1, 0.025f);
    EXPECT_EQ(game->gems[cellIndex(0, 0)], middle);
    EXPECT_EQ(game->gems[cellIndex(0, 1)], top);
    EXPECT_EQ(game->colours[cellIndex(0, 2)], kEmpty);
    EXPECT_EQ(middle->target[1], 0);
    EXPECT_EQ(middle->speed[1], 10.0f);
    EXPECT_EQ(middle->position[1], 1.0f);
    EXPECT_EQ(game->settling, 1);

    // Frames 2 to 5: a quarter row each, the last landing exactly on the new row.
    for (float expected : {0.75f, 0.5f, 0.25f, 0.0f})
    {
        stepFrames(*game, 1, 0.025f);
        EXPECT_EQ(middle->position[1], expected);
        EXPECT_EQ(top->position[1], expected + 1.0f);
        EXPECT_EQ(game->state, Settling);
    }
    // Frame 6 finds nothing away, ends the settling and runs the match pass.
    const Piece* piece = game->piece;
    stepFrames(*game, 1, 0.025f);
    EXPECT_EQ(game->state, Falling);
    EXPECT_EQ(game->settling, 0);
    EXPECT_NE(game->piece, piece);
    EXPECT_EQ(invariantViolation(*game), "");
}

TEST(Settling, NeverOvershootsAndSnapsWithinTheBand)
{
    for (float seconds : {0.001f, 0.016f, 0.03f, 0.07f, 0.5f, 7.0f})
    {
        SCOPED_TRACE(seconds);
        const auto game = gameWithBoard({"4.....", "3.....", "2.....", "111..."});
        Gem* gem = game->gems[cellIndex(0, 3)];
        clearLines(*game);
        stepFrames(*game, 1, seconds);
        while (game->state == Settling)
        {
            stepFrames(*game, 1, seconds);
            ASSERT_GE(gem->position[1], 2.0f);
        }
        EXPECT_EQ(gem->position[1], 2.0f);
    }
}

TEST(Settling, RemovalWithNothingAboveStillTakesTwoFrames)
{
    const auto game = gameWithBoard({"2.....", "2.....", "2.....", "1.....", "3....."});
    clearLines(*game);
    EXPECT_EQ(settle(*game, 0.016f), 2);
    EXPECT_EQ(game->columnHeight(0), 2);
}

TEST(Settling, ColumnsFallIndependently)
{
    const auto game = gameWithBoard({
        ".2....",
        ".3....",
        ".1.4..",
        "21.2..",
        "31.000",
    });
    Gem* resting[2] = {game->gems[cellIndex(0, 0)], game->gems[cellIndex(0, 1)]};
    Gem* high = game->gems[cellIndex(1, 3)];  // falls three rows
    Gem* low = game->gems[cellIndex(3, 1)];   // falls one row
    clearLines(*game);
    stepFrames(*game, 1, 0.05f);
    // Half a row per frame each: the one-row fall is over while the three-row one goes on.
    const float expected[][2] = {{2.5f, 0.5f}, {2.0f, 0.0f}, {1.5f, 0.0f},
                                 {1.0f, 0.0f}, {0.5f, 0.0f}, {0.0f, 0.0f}};
    for (const auto& rows : expected)
    {
        stepFrames(*game, 1, 0.05f);
        EXPECT_EQ(high->position[1], rows[0]);
        EXPECT_EQ(low->position[1], rows[1]);
        EXPECT_EQ(game->state, Settling);
    }
    EXPECT_EQ(game->gems[cellIndex(0, 0)], resting[0]);
    EXPECT_EQ(game->gems[cellIndex(0, 1)], resting[1]);
    EXPECT_EQ(resting[1]->position[1], 1.0f);
    settle(*game, 0.05f);
    EXPECT_EQ(boardText(*game)[13], "33.2..");
    EXPECT_EQ(boardText(*game)[12], "22.4..");
}

TEST(Settling, AGemThatLandedMidSlideReachesItsColumn)
{
    const auto game = gameWithBoard({".44..."});
    paintPiece(*game, {4, 0, 1});
    Piece* piece = game->piece;
    piece->shift(1);
    for (int slot = 0; slot < 3; ++slot)
    {
        piece->gems[slot]->position[0] = 2.4f;
        piece->gems[slot]->position[1] = 0.05f + slot;
    }
    Gem* upper = piece->gems[2];
    stepFrames(*game, 1, 0.016f);  // lands at x 2 in column 3 and completes the green row
    ASSERT_EQ(game->state, Clearing);
    EXPECT_EQ(upper->position[0], 2.0f);
    stepFrames(*game, 1, 0.016f);
    const int frames = settle(*game, 0.016f);
    // 10 rows per second down one row, 11 cells per second across one column.
    EXPECT_GE(frames, 7);
    EXPECT_EQ(upper->position[0], 3.0f);
    EXPECT_EQ(upper->position[1], 1.0f);
    EXPECT_EQ(game->gems[cellIndex(3, 1)], upper);
}

TEST(Settling, ChainsRunUntilTheBoardIsStill)
{
    // Row 1 clears; column 0 then reads 1, 1, 1 and clears; its last gem then completes row 0.
    const auto game = gameWithBoard({
        "2.....",
        "1.....",
        "1.....",
        "333...",
        "122...",
    });
    const Piece* piece = game->piece;
    game->findMatches();
    int clears = 0;
    g_frameSeconds = 0.02f;
    for (int frame = 0; frame < 10000 && game->piece == piece; ++frame)
    {
        clears += game->state == Clearing ? 1 : 0;
        game->update();
        ASSERT_EQ(invariantViolation(*game), "") << "frame " << frame;
    }
    EXPECT_EQ(clears, 3);
    EXPECT_EQ(boardGemCount(*game), 0);
    EXPECT_EQ(game->state, Falling);
    EXPECT_EQ(game->piece->active, 1);
}
