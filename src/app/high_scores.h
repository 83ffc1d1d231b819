// The table of arcade mode's best scores, which the game hands its final score to.
#pragma once

#include <cstdint>

// Keeps a finished arcade game's score and level. Never exits and never throws; at most one
// line on standard error.
void keepArcadeScore(int32_t score, int32_t level);
