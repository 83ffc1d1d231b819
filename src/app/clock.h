// The frame clock: the only place game time is taken from the wall clock.
#pragma once

#include "game/frame_time.h"

#include <cstdint>

// Wall-clock milliseconds since just before main ran, wrapped to 32 bits.
int32_t clockMillis();

// Milliseconds from `last` to `now`, correct across the 32-bit wrap of the clock.
uint32_t elapsedMillis(int32_t now, int32_t last);

// Seconds for an elapsed millisecond count, as the frame clock stores them.
float millisToSeconds(uint32_t millis);

// Measures the frame: sets g_frameSeconds (defined here) from the time since the last reading,
// then takes this one as the last.
void tickClock();

// The reading the next frame measures from: the last frame's, or the last restart's.
int32_t lastClockReading();

// Takes `now` as the last reading, so the next frame measures only the time since then: a game
// going on after a pause calls it, and the pause counts in no frame. g_frameSeconds is left alone.
void restartClock(int32_t now = clockMillis());
