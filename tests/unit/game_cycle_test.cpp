#include "app/clock.h"
#include "game/gem.h"
#include "game/piece.h"
#include "game/score_display.h"
#include "play_field.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace
{
std::unique_ptr<Game> seededGame()
{
    return std::unique_ptr<Game>(newSeededGame());
}

// Steps until the current piece is replaced or the state leaves Falling.
void stepUntilLanded(Game& game, float seconds)
{
    const Piece* start = game.piece;
    g_frameSeconds = seconds;
    for (int frame = 0; frame < 100000 && game.piece == start && game.state == Falling; ++frame)
    {
        game.update();
        ASSERT_EQ(invariantViolation(game), "") << "frame " << frame;
    }
}

// The game-over step, with standard output sent where the death test can read it.
void gameOverStep(Game& game)
{
    std::fflush(stdout);  // what the test runner printed so far is not the game's output
    dup2(STDERR_FILENO, STDOUT_FILENO);
    game.update();
}
}  // namespace

TEST(GameRecord, StartsEmptyWithTwoLivesAndAnActivePiece)
{
    const auto game = seededGame();
    EXPECT_EQ(game->state, Falling);
    EXPECT_EQ(game->lives, 2);
    EXPECT_EQ(game->settling, 0);
    EXPECT_EQ(game->fallSpeed, 2.0f);
    EXPECT_EQ(boardGemCount(*game), 0);
    for (int cell = 0; cell < kCells; ++cell)
    {
        EXPECT_EQ(game->colours[cell], kEmpty);
        EXPECT_EQ(game->marks[cell], 0);
    }
    ASSERT_NE(game->piece, nullptr);
    EXPECT_EQ(game->piece->active, 1);
    ASSERT_NE(game->score, nullptr);
    EXPECT_EQ(game->score->text[0], '0');
    EXPECT_NE(game->digitImage, nullptr);
    EXPECT_EQ(invariantViolation(*game), "");

    // A state the cycle does not know steps nothing.
    game->state = static_cast<GameState>(5);
    const float height = game->piece->gems[0]->position[1];
    stepFrames(*game, 1, 1.0f);
    EXPECT_EQ(game->piece->gems[0]->position[1], height);
    EXPECT_EQ(game->state, 5);
}

TEST(GameRecord, ColumnHeightIsTheRowAboveTheTopmostGem)
{
    const auto game = seededGame();
    EXPECT_EQ(game->columnHeight(0), 0);
    stackColumn(*game, 1, 3);
    EXPECT_EQ(game->columnHeight(1), 3);
    stackColumn(*game, 5, 14);
    EXPECT_EQ(game->columnHeight(5), 14);
    putGem(*game, 4, 9, 2);  // a lone gem high up still counts from the top
    EXPECT_EQ(game->columnHeight(4), 10);
    game->clearBoard();
    EXPECT_EQ(boardGemCount(*game), 0);
    EXPECT_EQ(game->columnHeight(5), 0);
}

TEST(GameLanding, PieceFallsSixSecondsSnapsAndEntersTheGrids)
{
    const auto game = seededGame();
    paintPiece(*game, {0, 1, 0});
    Piece* first = game->piece;
    Gem* slots[3] = {first->gems[0], first->gems[1], first->gems[2]};
    g_frameSeconds = 0.01f;
    int frames = 0;
    while (game->piece == first && frames < 1000)
    {
        game->update();
        ++frames;
    }
    // 11.9 rows at 2 rows per second is 595 frames of 10 ms; it lands in the frame after.
    EXPECT_EQ(frames, 596);
    for (int row = 0; row < 3; ++row)
    {
        const int cell = cellIndex(2, row);
        ASSERT_EQ(game->gems[cell], slots[row]);
        EXPECT_EQ(game->colours[cell], slots[row]->colourIndex);
        EXPECT_EQ(slots[row]->position[1], float(row));
        EXPECT_EQ(slots[row]->target[1], row);
    }
    // Nothing matched, so the next piece came in the same frame.
    EXPECT_EQ(game->state, Falling);
    EXPECT_EQ(game->piece->active, 1);
    EXPECT_EQ(invariantViolation(*game), "");
}

TEST(GameLanding, TheSnapBandIsInclusiveAndComparedInDouble)
{
    // 0.1f is a little more than 0.1, so a bottom gem there is still above the band; the
    // float just below it is inside. (In single precision 0 + 0.1f >= 0.1f would land.)
    const auto game = seededGame();
    const Piece* piece = game->piece;
    const auto stepFrom = [&](float bottom)
    {
        for (int slot = 0; slot < 3; ++slot)
        {
            piece->gems[slot]->position[1] = bottom + slot;
        }
        stepFrames(*game, 1, 0.0f);
    };
    stepFrom(0.1f);
    ASSERT_EQ(game->piece, piece) << "landed from 0.1f";
    stepFrom(std::nextafter(0.1f, 0.0f));
    // Landed in place, and the next piece has come.
    EXPECT_NE(game->piece, piece);
    EXPECT_EQ(game->columnHeight(2), 3);
    EXPECT_EQ(game->gems[cellIndex(2, 0)]->position[1], 0.0f);
}

TEST(GameLanding, LandingOnElevenGemsFillsTheWellWithoutOverflow)
{
    const auto game = seededGame();
    stackColumn(*game, 2, 11);
    paintPiece(*game, {1, 0, 1});
    stepUntilLanded(*game, 0.01f);
    EXPECT_EQ(game->columnHeight(2), 14);
    EXPECT_EQ(game->lives, 2);
    EXPECT_EQ(game->state, Falling);
}

TEST(GameLanding, MidSlideGemIsDrawnAtTheNearerColumnAndHeldInItsTarget)
{
    const auto game = seededGame();
    paintPiece(*game, {0, 1, 0});
    Piece* piece = game->piece;
    piece->shift(1);
    for (int slot = 0; slot < 3; ++slot)
    {
        piece->gems[slot]->position[0] = 2.4f;
        piece->gems[slot]->position[1] = 0.05f + slot;
    }
    Gem* bottom = piece->gems[0];
    stepFrames(*game, 1, 0.01f);
    EXPECT_EQ(game->gems[cellIndex(3, 0)], bottom);
    EXPECT_EQ(bottom->position[0], 2.0f);
    EXPECT_EQ(bottom->target[0], 3);
    EXPECT_EQ(game->columnHeight(2), 0);
}

TEST(GameOverflow, EachSlotOverflowsWithLivesTwoOneAndZero)
{
    struct Case
    {
        int stack;   // gems already in column 2
        int placed;  // gems of the piece that reach the board before the overflow
        int lives;   // lives before the landing
    };
    for (const Case c : {Case{12, 2, 2}, Case{13, 1, 1}, Case{14, 0, 0}})
    {
        SCOPED_TRACE(c.stack);
        const auto game = seededGame();
        game->lives = c.lives;
        stackColumn(*game, 2, c.stack);
        paintPiece(*game, {2, 3, 2});
        Piece* piece = game->piece;
        stepFrames(*game, 1, 0.016f);

        EXPECT_EQ(game->state, c.lives > 0 ? Restarting : GameOver);
        EXPECT_EQ(game->lives, c.lives > 0 ? c.lives - 1 : 0);
        EXPECT_EQ(game->piece, piece);
        EXPECT_EQ(boardGemCount(*game), c.stack + c.placed);
        // Only a piece none of whose gems was placed stays active.
        EXPECT_EQ(piece->active, c.placed == 0 ? 1 : 0);
        EXPECT_EQ(invariantViolation(*game), "");
        for (int row = c.stack; row < kRows; ++row)
        {
            EXPECT_EQ(game->colours[cellIndex(2, row)], row == c.stack ? 2 : 3);
        }
        if (c.lives > 0)
        {
            // The full well is shown for one more frame, then emptied.
            stepFrames(*game, 1, 0.016f);
            EXPECT_EQ(game->state, Falling);
            EXPECT_EQ(boardGemCount(*game), 0);
            EXPECT_NE(game->piece, piece);
            EXPECT_EQ(game->piece->active, 1);
            EXPECT_EQ(invariantViolation(*game), "");
        }
    }
}

TEST(GameOverflow, GemsLeftAboveAnOverflowKeepTheHeightsTheyFellTo)
{
    // A hard drop onto 14 or 13 gems, then a soft drop of 16 ms: the gems that are never
    // placed stay exactly where they were, not rested on the column.
    for (int stack : {14, 13})
    {
        SCOPED_TRACE(stack);
        const auto game = seededGame();
        stackColumn(*game, 2, stack);
        game->hardDrop();
        g_frameSeconds = 0.016f;
        game->softDrop();
        const Piece* piece = game->piece;
        const float fallen[3] = {piece->gems[0]->position[1], piece->gems[1]->position[1],
                                 piece->gems[2]->position[1]};
        ASSERT_EQ(fallen[2], stack == 14 ? 15.9680004f : 14.9680004f);
        stepFrames(*game, 1, 0.016f);
        EXPECT_EQ(game->state, Restarting);
        const int placed = kRows - stack;
        EXPECT_EQ(boardGemCount(*game), stack + placed);
        for (int slot = placed + 1; slot < 3; ++slot)
        {
            EXPECT_EQ(piece->gems[slot]->position[1], fallen[slot]) << "slot " << slot;
        }
        // The overflowing gem itself was snapped up to row 14.
        EXPECT_EQ(piece->gems[placed]->position[1], 14.0f);
    }
}

TEST(GameOverflow, NoInputEmptiesTheWellTwiceThenEndsTheGame)
{
    const auto game = seededGame();
    int restarts = 0;
    g_frameSeconds = 0.05f;
    for (int frame = 0; frame < 100000 && game->state != GameOver; ++frame)
    {
        game->update();
        restarts += game->state == Restarting ? 1 : 0;
        ASSERT_EQ(invariantViolation(*game), "") << "frame " << frame;
    }
    EXPECT_EQ(restarts, 2);
    EXPECT_EQ(game->state, GameOver);
    EXPECT_EQ(game->lives, 0);
}

TEST(GameOverflowDeathTest, GameOverWritesTheMessageAndExitsZeroOnTheNextFrame)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto game = seededGame();
    game->lives = 0;
    stackColumn(*game, 2, 12);
    stepFrames(*game, 1, 0.016f);
    ASSERT_EQ(game->state, GameOver);
    EXPECT_EXIT(gameOverStep(*game), testing::ExitedWithCode(0), "^GAME OVER MAN!\n$");
}

TEST(GameLongFrames, LandingsAfterLongFramesNeverOverwriteOrLeaveTheBoard)
{
    for (float seconds : {0.3f, 0.31f, 1.0f, 7.0f, 100.0f, 86400.0f})
    {
        for (int stack : {0, 3, 10, 11, 12, 13, 14})
        {
            SCOPED_TRACE(testing::Message() << seconds << " s over " << stack << " gems");
            const auto game = seededGame();
            stackColumn(*game, 2, stack);
            paintPiece(*game, {2, 3, 2});
            stepUntilLanded(*game, seconds);
            const int expectedHeight = stack + 3 > kRows ? kRows : stack + 3;
            EXPECT_EQ(game->columnHeight(2), expectedHeight);
            EXPECT_EQ(boardGemCount(*game), expectedHeight);
            for (int row = stack; row < expectedHeight; ++row)
            {
                EXPECT_EQ(game->colours[cellIndex(2, row)], (row - stack) % 2 == 0 ? 2 : 3);
            }
            EXPECT_EQ(game->lives, stack + 3 > kRows ? 1 : 2);
        }
    }
}
