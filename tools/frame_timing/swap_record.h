// One buffer swap as the swap counter logs it.
#pragma once

#include <cstdint>

struct SwapRecord
{
    int64_t nanoseconds;  // CLOCK_MONOTONIC, right after the swap returned
    uint32_t spheres;     // spheres drawn since the previous swap
};
