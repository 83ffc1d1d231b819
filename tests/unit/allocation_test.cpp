// Counts heap allocations made by the rules, with the global allocation functions replaced.
#include "app/clock.h"
#include "game/gem.h"
#include "game/piece.h"
#include "play_field.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <new>

namespace
{
bool g_counting = false;
int g_allocations = 0;
int g_releases = 0;

// Counts what happens between construction and destruction.
struct AllocationCount
{
    AllocationCount()
    {
        g_allocations = 0;
        g_releases = 0;
        g_counting = true;
    }
    ~AllocationCount() { g_counting = false; }
};
}  // namespace

void* operator new(std::size_t size)
{
    if (g_counting)
    {
        ++g_allocations;
    }
    if (void* block = std::malloc(size == 0 ? 1 : size))
    {
        return block;
    }
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept
{
    if (g_counting && block != nullptr)
    {
        ++g_releases;
    }
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    if (g_counting && block != nullptr)
    {
        ++g_releases;
    }
    std::free(block);
}

TEST(Allocations, AThousandFallingFramesAllocateNothing)
{
    const std::unique_ptr<Game> game(newSeededGame());
    stackColumn(*game, 0, 12);
    g_frameSeconds = 0.001f;  // a thousand frames: two rows of fall, no landing
    {
        const AllocationCount count;
        for (int frame = 0; frame < 1000; ++frame)
        {
            game->update();
            game->moveRight();
            game->moveLeft();
        }
        EXPECT_EQ(g_allocations, 0);
        EXPECT_EQ(g_releases, 0);
    }
    EXPECT_EQ(game->state, Falling);
}

TEST(Allocations, AClearAndSettleReleasesTheLineAndMakesOnlyTheNextPiece)
{
    const std::unique_ptr<Game> game(newSeededGame());
    setBoard(*game, {"1.....", "2.....", "33...."});
    paintPiece(*game, {3, 0, 1});
    game->hardDrop();
    const Piece* dropped = game->piece;
    g_frameSeconds = 0.016f;
    {
        const AllocationCount count;
        // Landing, clearing, settling and the match pass that finds nothing.
        while (game->piece == dropped)
        {
            game->update();
        }
        // One piece record and its three gems; three gems of the line and the old piece.
        EXPECT_EQ(g_allocations, 4);
        EXPECT_EQ(g_releases, 4);
    }
    EXPECT_EQ(boardGemCount(*game), 4);
}
