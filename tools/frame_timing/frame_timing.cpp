#include "frame_timing.h"

#include <algorithm>
#include <chrono>
#include <fstream>

int64_t monotonicNanoseconds()
{
    // steady_clock is CLOCK_MONOTONIC on Linux, as the swap counter reads it.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::vector<SwapRecord> readSwapLog(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<SwapRecord> swaps;
    for (SwapRecord record; in.read(reinterpret_cast<char*>(&record), sizeof record);)
    {
        swaps.push_back(record);
    }
    return swaps;
}

std::vector<double> swapIntervals(const std::vector<SwapRecord>& swaps, uint32_t spheres,
                                  int64_t from, int64_t to)
{
    std::vector<double> intervals;
    int64_t previous = -1;
    for (const SwapRecord& swap : swaps)
    {
        const bool counted =
            swap.nanoseconds >= from && swap.nanoseconds <= to && swap.spheres == spheres;
        if (counted && previous >= 0)
        {
            intervals.push_back((swap.nanoseconds - previous) * 1e-9);
        }
        previous = counted ? swap.nanoseconds : -1;
    }
    return intervals;
}

double median(std::vector<double> values)
{
    if (values.empty())
    {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
    {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * (values.size() - 1) + 0.5))];
}
