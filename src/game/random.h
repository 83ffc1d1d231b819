// The game's random generator: a 32-bit linear congruential generator with 15-bit results.
#pragma once

#include <cstdint>

// Largest value nextRandom returns.
constexpr int kRandomMax = 32767;

// Restarts the sequence from `seed`.
void seedRandom(uint32_t seed);

// Advances the state and returns its bits 16 to 30: 0 to kRandomMax.
int nextRandom();

// Colour index 0 to 4 for a random value; the ends of the range are half as likely as the middle.
int colourForRandom(int value);

// Draws the next random value and turns it into a colour index.
int randomColour();
