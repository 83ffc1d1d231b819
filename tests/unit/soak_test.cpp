#include "event_driver.h"
#include "event_stream.h"
#include "game/gem.h"

#include <cstdio>
#include <gtest/gtest.h>

TEST(Soak, AMillionRandomStepsKeepEveryInvariant)
{
    constexpr int64_t kSteps = 1000000;
    EventStream stream(20261209);
    int64_t steps = 0;
    int games = 0;
    int64_t frames = 0;
    int64_t visits[5] = {};
    while (steps < kSteps)
    {
        EventDriver driver(stream.gameSeed());
        ++games;
        bool going = true;
        while (steps < kSteps && going)
        {
            going = driver.apply(stream.next());
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
