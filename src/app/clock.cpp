#include "app/clock.h"

#include "app/float_precision.h"

#include <chrono>

float g_frameSeconds = 0.0f;

namespace
{
constexpr float kSecondsPerMilli = 0.001f;

// Before main and before any other file's initialisers (the lowest priority a program may use):
// every program that runs the rules links this file for g_frameSeconds, so none can do the
// rules' arithmetic at the x87 unit's own precision.
[[gnu::constructor(101)]] void roundAsTheRulesNeed()
{
    roundToDoublePrecision();
}

// The reading the next frame measures from; 0, the process's start, before the first frame.
int32_t g_lastClock = 0;

// Taken during static initialisation, so the first frame also counts the start-up before main.
const std::chrono::steady_clock::time_point kProcessStart = std::chrono::steady_clock::now();
}  // namespace

int32_t clockMillis()
{
    const auto since = std::chrono::steady_clock::now() - kProcessStart;
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    // Keep the low 32 bits: after 2^31 ms the reading goes negative, and elapsedMillis copes.
    return static_cast<int32_t>(static_cast<uint32_t>(millis));
}

uint32_t elapsedMillis(int32_t now, int32_t last)
{
    // Unsigned subtraction is modular, so a wrapped clock still gives the true short interval.
    return static_cast<uint32_t>(now) - static_cast<uint32_t>(last);
}

float millisToSeconds(uint32_t millis)
{
    return static_cast<float>(static_cast<double>(millis) * static_cast<double>(kSecondsPerMilli));
}

void tickClock()
{
    const int32_t now = clockMillis();
    g_frameSeconds = millisToSeconds(elapsedMillis(now, g_lastClock));
    g_lastClock = now;
}

int32_t lastClockReading()
{
    return g_lastClock;
}

void restartClock(int32_t now)
{
    g_lastClock = now;
}
