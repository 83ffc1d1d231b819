// What the preloaded probe (game_probe.cpp) counts in the game, in a file the game and the
// harness both map: the keys its callbacks took, the frames it swapped, and its last reshape.
#pragma once

#include <atomic>
#include <cstdint>

struct ProbeCounts
{
    std::atomic<uint64_t> characters;  // keyboard callbacks returned
    std::atomic<uint64_t> specials;    // special-key callbacks returned (arrows, shift, ...)
    std::atomic<uint64_t> swaps;       // buffer swaps returned
    std::atomic<uint64_t> swapsAtKey;  // swaps when the last key callback returned
    std::atomic<uint64_t> reshapes;    // reshape callbacks returned
    std::atomic<uint64_t> swapsAtReshape;
    std::atomic<int64_t> reshapeWidth;  // the size the last reshape gave
    std::atomic<int64_t> reshapeHeight;
};
static_assert(std::atomic<uint64_t>::is_always_lock_free, "shared between two processes");
