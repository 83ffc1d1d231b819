#include "app/clock.h"
#include "game/gem.h"
#include "game/piece.h"
#include "game/random.h"
#include "play_field.h"

#include <gtest/gtest.h>
#include <memory>

TEST(PieceSpawn, ThreeGemsInColumnTwoColoursDrawnBottomFirst)
{
    seedRandom(1);  // draws 41, 18467, 6334: colours 0, 2, 1
    const Piece piece(2.0f);
    EXPECT_EQ(piece.active, 1);
    const int colours[3] = {0, 2, 1};
    for (int slot = 0; slot < 3; ++slot)
    {
        const Gem* gem = piece.gems[slot];
        EXPECT_EQ(gem->colourIndex, colours[slot]);
        EXPECT_EQ(gem->position[0], 2.0f);
        EXPECT_EQ(gem->position[1], 12.0f + slot);
        EXPECT_EQ(gem->target[0], 2);
        EXPECT_EQ(gem->target[1], 0);
    }
}

TEST(PieceCommands, CycleMovesEachColourDownAndTheBottomToTheTop)
{
    seedRandom(1);
    Piece piece(2.0f);
    Gem* a = piece.gems[0];
    Gem* b = piece.gems[1];
    Gem* c = piece.gems[2];
    piece.cycle();
    EXPECT_EQ(piece.gems[0], b);
    EXPECT_EQ(piece.gems[1], c);
    EXPECT_EQ(piece.gems[2], a);
    for (int slot = 0; slot < 3; ++slot)
    {
        EXPECT_EQ(piece.gems[slot]->position[1], 12.0f + slot) << slot;
        EXPECT_EQ(piece.gems[slot]->target[1], 0);
    }
    piece.cycle();
    piece.cycle();
    EXPECT_EQ(piece.gems[0], a);
}

TEST(PieceCommands, ShiftChangesOnlyTheTargetColumnAndDropToSetsRows)
{
    seedRandom(1);
    Piece piece(2.0f);
    piece.shift(-2);
    for (const Gem* gem : piece.gems)
    {
        EXPECT_EQ(gem->target[0], 0);
        EXPECT_EQ(gem->position[0], 2.0f);
    }
    piece.dropTo(5);
    for (int slot = 0; slot < 3; ++slot)
    {
        EXPECT_EQ(piece.gems[slot]->position[1], 5.0f + slot);
    }
    g_frameSeconds = 0.25f;
    piece.fall();
    EXPECT_EQ(piece.gems[0]->position[1], 4.5f);
    EXPECT_EQ(piece.gems[2]->position[1], 6.5f);
}

TEST(PieceOwnership, ReleasedGemsAreNoLongerOwned)
{
    const int before = Gem::liveCount();
    Gem* placed = nullptr;
    {
        Piece piece(2.0f);
        EXPECT_EQ(Gem::liveCount(), before + 3);
        placed = piece.release(0);
        EXPECT_EQ(piece.gems[0], nullptr);
    }
    // The piece released its other two gems; the placed one belongs to whoever took it.
    EXPECT_EQ(Gem::liveCount(), before + 1);
    delete placed;
    EXPECT_EQ(Gem::liveCount(), before);
}
