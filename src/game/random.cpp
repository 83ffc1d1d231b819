#include "game/random.h"

namespace
{
constexpr uint32_t kMultiplier = 214013;
constexpr uint32_t kIncrement = 2531011;
constexpr double kColourCount = 4.0;

uint32_t g_randomState = 0;
}  // namespace

void seedRandom(uint32_t seed)
{
    g_randomState = seed;
}

int nextRandom()
{
    // Unsigned arithmetic wraps modulo 2^32, which is the generator's modulus.
    g_randomState = g_randomState * kMultiplier + kIncrement;
    return static_cast<int>((g_randomState >> 16) & kRandomMax);
}

int colourForRandom(int value)
{
    // Rounding (rather than flooring) a value in [0, 4) is what gives the ends half the weight.
    return static_cast<int>(value * (1.0 / 32768.0) * kColourCount + 0.5);
}

int randomColour()
{
    return colourForRandom(nextRandom());
}
