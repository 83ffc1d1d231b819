#include "frame_timing.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>

TEST(FrameTiming, TheMedianOfAnEvenCountIsTheMeanOfTheMiddlePair)
{
    EXPECT_EQ(median({}), 0.0);
    EXPECT_EQ(median({3.0, 1.0, 2.0}), 2.0);
    EXPECT_EQ(median({4.0, 1.0, 3.0, 2.0}), 2.5);
    EXPECT_EQ(percentile({5.0, 1.0, 4.0, 2.0, 3.0}, 0.99), 5.0);
    EXPECT_EQ(percentile({5.0, 1.0, 4.0, 2.0, 3.0}, 0.5), 3.0);
}

TEST(FrameTiming, IntervalsCountOnlyRunsOfTheSphereCountWithinTheWindow)
{
    // A record cut short at the end of the log (the game killed mid-write) is left out.
    const std::string path = testing::TempDir() + "gemwell_swaps";
    const std::vector<SwapRecord> written = {{1000, 45},  {3000, 45},  {4000, 48}, {6000, 45},
                                             {10000, 45}, {11000, 45}, {20000, 45}};
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(written.data()),
                  static_cast<std::streamsize>(written.size() * sizeof(SwapRecord)));
        out.write(reinterpret_cast<const char*>(&written[0]), sizeof(SwapRecord) / 2);
    }
    const std::vector<SwapRecord> swaps = readSwapLog(path);
    std::remove(path.c_str());
    ASSERT_EQ(swaps.size(), written.size());
    EXPECT_EQ(swaps[3].nanoseconds, 6000);

    // 1000 to 3000; the 48-sphere frame breaks the run, so 3000 to 6000 does not count; 20000 is
    // past the window.
    const std::vector<double> intervals = swapIntervals(swaps, 45, 1000, 15000);
    EXPECT_EQ(intervals, (std::vector<double>{2000 * 1e-9, 4000 * 1e-9, 1000 * 1e-9}));
}
