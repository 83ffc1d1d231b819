// A player drawn from one seeded generator: mostly short frames, some long ones up to three days
// (whose seconds a float cannot hold exactly), and now and then a command. The soak test and the
// replay fingerprint both play it. std::mt19937's output is the same everywhere and only its raw
// words are used, never a distribution (whose results the library may choose), so a seed gives
// the same stream on every compiler and architecture.
#pragma once

#include "event_driver.h"

#include <cstdint>
#include <random>

class EventStream
{
public:
    explicit EventStream(uint32_t seed) : random_(seed) {}

    // A new game's seed, from the same generator as the events.
    uint32_t gameSeed() { return static_cast<uint32_t>(random_()); }

    Event next();

private:
    std::mt19937 random_;
};
