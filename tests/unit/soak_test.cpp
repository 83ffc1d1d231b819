#include "event_driver.h"
#include "game/gem.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <random>

namespace
{
// A player who mostly lets time pass and now and then steers, with the odd stalled frame.
Event randomEvent(std::mt19937& random)
{
    const uint32_t roll = random() % 100;
    Event event;
    if (roll < 60)
    {
        const uint32_t size = random() % 100;
        event.millis = size < 85   ? random() % 50
                       : size < 95 ? random() % 1000
                       : size < 99 ? random() % 10000
                                   : random() % (3u * 86400000u);
        return event;
    }
    const EventKind commands[] = {EventKind::MoveLeft, EventKind::MoveRight,
                                  EventKind::CycleColours, EventKind::SoftDrop,
                                  EventKind::HardDrop};
    event.kind = commands[roll % 5];
    return event;
}
}  // namespace

TEST(Soak, AMillionRandomStepsKeepEveryInvariant)
{
    constexpr int64_t kSteps = 1000000;
    std::mt19937 random(20261209);
    int64_t steps = 0;
    int games = 0;
    int64_t frames = 0;
    int64_t visits[5] = {};
    while (steps < kSteps)
    {
        EventDriver driver(static_cast<uint32_t>(random()));
        ++games;
        bool going = true;
        while (steps < kSteps && going)
        {
            going = driver.apply(randomEvent(random));
            ++visits[driver.game().state];
            ++steps;
        }
        ASSERT_EQ(driver.failure(), "") << "game " << games << " after " << steps << " steps";
        frames += driver.frames();
    }
    EXPECT_EQ(Gem::liveCount(), 0);
    // The walk must really play: many games, and every state many times, chains included.
    EXPECT_GT(games, 100);
    EXPECT_GT(frames, kSteps / 2);
    for (int64_t count : visits)
    {
        EXPECT_GT(count, 1000);
    }
    std::printf("%d games, %lld frames; states visited %lld %lld %lld %lld %lld\n", games,
                static_cast<long long>(frames), static_cast<long long>(visits[0]),
                static_cast<long long>(visits[1]), static_cast<long long>(visits[2]),
                static_cast<long long>(visits[3]), static_cast<long long>(visits[4]));
}
