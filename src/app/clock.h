// The frame clock: the only place game time is taken from the wall clock.
#pragma once

#include "game/frame_time.h"

#include <cstdint>

// Millisecond clock reading taken at the previous frame.
extern int32_t g_lastClock;

// Wall-clock milliseconds since just before main ran, wrapped to 32 bits.
int32_t clockMillis();

// Milliseconds from `last` to `now`, correct across the 32-bit wrap of the clock.
uint32_t elapsedMillis(int32_t now, int32_t last);

// Seconds for an elapsed millisecond count, as the frame clock stores them.
float millisToSeconds(uint32_t millis);

// Measures the frame: sets g_frameSeconds (defined here) from the time since the last call, then
// g_lastClock.
void tickClock();
