#include "app/clock.h"
#include "game/gem.h"
#include "game/piece.h"
#include "play_field.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace
{
std::unique_ptr<Game> seededGame()
{
    return std::unique_ptr<Game>(newSeededGame());
}

struct PieceSnapshot
{
    Gem* gems[3];
    float positions[9];  // slot after slot, three axes each
    int targets[9];

    explicit PieceSnapshot(const Piece& piece)
    {
        for (int slot = 0; slot < 3; ++slot)
        {
            gems[slot] = piece.gems[slot];
            for (int axis = 0; axis < 3; ++axis)
            {
                positions[slot * 3 + axis] = gems[slot] ? gems[slot]->position[axis] : 0.0f;
                targets[slot * 3 + axis] = gems[slot] ? gems[slot]->target[axis] : 0;
            }
        }
    }
    bool operator==(const PieceSnapshot& other) const
    {
        return std::equal(std::begin(gems), std::end(gems), other.gems) &&
               std::equal(std::begin(positions), std::end(positions), other.positions) &&
               std::equal(std::begin(targets), std::end(targets), other.targets);
    }
};

using Command = void (Game::*)();
constexpr Command kCommands[] = {&Game::moveLeft, &Game::moveRight, &Game::cycleColours,
                                 &Game::softDrop, &Game::hardDrop};
}  // namespace

TEST(Commands, DoNothingOnceThePieceHasLanded)
{
    const auto game = seededGame();
    stackColumn(*game, 2, 3);
    putGem(*game, 2, 3, 4);
    putGem(*game, 2, 4, 4);
    paintPiece(*game, {4, 0, 1});
    game->hardDrop();
    stepFrames(*game, 1, 0.016f);  // lands and finds the green line: now clearing
    ASSERT_EQ(game->state, Clearing);
    ASSERT_EQ(game->piece->active, 0);
    g_frameSeconds = 1.0f;
    const PieceSnapshot before(*game->piece);
    const auto board = boardText(*game);
    for (Command command : kCommands)
    {
        (game.get()->*command)();
    }
    EXPECT_TRUE(PieceSnapshot(*game->piece) == before);
    EXPECT_EQ(boardText(*game), board);
}

TEST(Commands, SidewaysMovesStopAtWallsAndTallerNeighbours)
{
    const auto game = seededGame();
    Piece* piece = game->piece;
    for (int i = 0; i < 5; ++i)
    {
        game->moveLeft();
    }
    EXPECT_EQ(piece->gems[0]->target[0], 0);
    for (int i = 0; i < 8; ++i)
    {
        game->moveRight();
    }
    EXPECT_EQ(piece->gems[2]->target[0], 5);
    // Nothing past the right wall decides: on an empty board or a full one (column 5 up to the
    // piece), and with the memory after the colour grid (the next members) reading as free
    // cells (-1) or as gems (0), the piece stays in column 5.
    for (const bool full : {false, true})
    {
        for (int column = 0; full && column < kColumns; ++column)
        {
            stackColumn(*game, column, column < 5 ? kRows : 11);
        }
        for (const unsigned char fill : {0xff, 0x00})
        {
            unsigned char* const past = reinterpret_cast<unsigned char*>(std::end(game->colours));
            const std::vector<unsigned char> saved(past, past + kRows * sizeof(int32_t));
            std::fill(past, past + saved.size(), fill);
            game->moveRight();
            std::copy(saved.begin(), saved.end(), past);
            ASSERT_EQ(piece->gems[0]->target[0], 5) << "full " << full << ", fill " << int(fill);
        }
    }
    game->clearBoard();

    // Back in column 2 at row 12: a neighbour reaching row 12 blocks, one reaching row 10 not.
    piece->shift(-3);
    stackColumn(*game, 1, 13);
    stackColumn(*game, 3, 11);
    game->moveLeft();
    EXPECT_EQ(piece->gems[0]->target[0], 2);
    game->moveRight();
    EXPECT_EQ(piece->gems[0]->target[0], 3);
    // Only the target changed; the gems slide there at 11 cells per second.
    EXPECT_EQ(piece->gems[0]->position[0], 2.0f);
    stepFrames(*game, 1, 0.05f);
    EXPECT_EQ(piece->gems[0]->position[0], 2.55f);
    EXPECT_EQ(piece->gems[0]->position[1], 11.9f);
    stepFrames(*game, 1, 0.05f);
    EXPECT_EQ(piece->gems[0]->position[0], 3.0f);
}

TEST(Commands, SidewaysTestStaysOnTheBoardAboveAndBelowIt)
{
    {
        // Hard drop onto 13 gems: the bottom gem is in row 13, the top row, where a column of
        // 14 beside it blocks.
        const auto game = seededGame();
        stackColumn(*game, 1, 14);
        stackColumn(*game, 2, 13);
        game->hardDrop();
        EXPECT_EQ(game->piece->gems[0]->position[1], 13.0f);
        game->moveLeft();
        EXPECT_EQ(game->piece->gems[0]->target[0], 2);
    }
    {
        // Hard drop onto a full column: the bottom gem sits at row 14, above the well, where
        // nothing blocks a move even beside another full column.
        const auto game = seededGame();
        stackColumn(*game, 1, 14);
        stackColumn(*game, 2, 14);
        game->hardDrop();
        EXPECT_EQ(game->piece->gems[0]->position[1], 14.0f);
        game->moveLeft();
        EXPECT_EQ(game->piece->gems[0]->target[0], 1);
    }

    // A soft drop in a long frame puts the piece below the floor: the floor row decides.
    const auto low = seededGame();
    putGem(*low, 3, 0, 0);
    g_frameSeconds = 100.0f;
    low->softDrop();
    ASSERT_LT(low->piece->gems[0]->position[1], -100.0f);
    low->moveRight();
    EXPECT_EQ(low->piece->gems[0]->target[0], 2);
    low->moveLeft();
    EXPECT_EQ(low->piece->gems[0]->target[0], 1);
    stepFrames(*low, 1, 0.016f);
    EXPECT_EQ(low->columnHeight(1), 3);
    EXPECT_EQ(invariantViolation(*low), "");
}

TEST(Commands, CycleColoursRotatesThePiece)
{
    const auto game = seededGame();
    paintPiece(*game, {0, 2, 4});
    game->cycleColours();
    const Piece* piece = game->piece;
    EXPECT_EQ(piece->gems[0]->colourIndex, 2);
    EXPECT_EQ(piece->gems[1]->colourIndex, 4);
    EXPECT_EQ(piece->gems[2]->colourIndex, 0);
    for (int slot = 0; slot < 3; ++slot)
    {
        EXPECT_EQ(piece->gems[slot]->position[1], 12.0f + slot);
    }
}

TEST(Commands, SoftDropAddsOneFramesFallPerKeyEvent)
{
    const auto game = seededGame();
    stepFrames(*game, 1, 0.02f);  // normal fall: 12 -> 11.96
    for (int press = 0; press < 3; ++press)
    {
        game->softDrop();  // each adds g_frameSeconds x 2 rows
    }
    EXPECT_EQ(game->piece->gems[0]->position[1], 11.8400002f);
    EXPECT_EQ(game->piece->gems[2]->position[1], 13.8400002f);
}

TEST(Commands, HardDropPlacesThePieceOnTopOfItsColumn)
{
    const auto empty = seededGame();
    paintPiece(*empty, {0, 1, 0});
    empty->hardDrop();
    for (int slot = 0; slot < 3; ++slot)
    {
        EXPECT_EQ(empty->piece->gems[slot]->position[1], float(slot));
    }
    EXPECT_EQ(empty->columnHeight(2), 0);
    stepFrames(*empty, 1, 0.001f);
    EXPECT_EQ(empty->columnHeight(2), 3);

    // Still drawn in column 2 while sliding to column 3: the drop goes by the target column.
    const auto sliding = seededGame();
    stackColumn(*sliding, 3, 5);
    sliding->moveRight();
    ASSERT_EQ(sliding->piece->gems[0]->position[0], 2.0f);
    sliding->hardDrop();
    EXPECT_EQ(sliding->piece->gems[0]->position[1], 5.0f);

    const auto twelve = seededGame();
    stackColumn(*twelve, 2, 12);
    paintPiece(*twelve, {2, 3, 2});
    twelve->hardDrop();
    EXPECT_EQ(twelve->piece->gems[2]->position[1], 14.0f);
    stepFrames(*twelve, 1, 0.001f);
    EXPECT_EQ(twelve->state, Restarting);

    // Onto a full column: overflow at slot 0, and the piece stays steerable until the next step.
    const auto full = seededGame();
    stackColumn(*full, 2, 14);
    full->hardDrop();
    stepFrames(*full, 1, 0.001f);
    EXPECT_EQ(full->state, Restarting);
    EXPECT_EQ(full->piece->active, 1);
    EXPECT_EQ(boardGemCount(*full), 14);
    full->moveRight();
    EXPECT_EQ(full->piece->gems[0]->target[0], 3);
    stepFrames(*full, 1, 0.001f);
    EXPECT_EQ(full->state, Falling);
    EXPECT_EQ(boardGemCount(*full), 0);
}
