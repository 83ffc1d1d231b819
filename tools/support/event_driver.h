// Drives the real rules from a stream of events (frame times and player commands), checking
// every invariant after each one. Shared by the fuzz target and the randomized soak test.
#pragma once

#include "game/game.h"

#include <cstddef>
#include <cstdint>
#include <string>

enum class EventKind : uint8_t
{
    Frame,  // one update with the given frame time
    MoveLeft,
    MoveRight,
    CycleColours,
    SoftDrop,
    HardDrop,
};

struct Event
{
    EventKind kind = EventKind::Frame;
    uint32_t millis = 0;  // frame time, for Frame events
};

// Reads the next event from fuzzer bytes at `offset`, advancing it; false when they run out.
// One byte picks the event; a frame reads 1, 2 or 4 more bytes of milliseconds, so frame
// times run from 0 up to about 49 days.
bool decodeEvent(const uint8_t* data, size_t size, size_t& offset, Event& event);

class EventDriver
{
public:
    // A fresh game whose pieces come from `seed`, with no frame time yet, as at start-up; in
    // arcade mode when `arcade` is set.
    explicit EventDriver(uint32_t seed, bool arcade = false);
    ~EventDriver();

    // Applies the event and checks the invariants. Returns false once the game has reached
    // GameOver (whose step would end the process), or when an invariant broke.
    bool apply(const Event& event);

    // The first invariant that broke, empty while all hold.
    const std::string& failure() const { return failure_; }
    Game& game() { return *game_; }
    int64_t frames() const { return frames_; }

private:
    Game* game_ = nullptr;
    std::string failure_;
    int64_t frames_ = 0;
};
