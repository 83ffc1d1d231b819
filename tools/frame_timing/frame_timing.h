// Reading the swap counter's log, and the few statistics the benchmarks take of it. No X, no
// GL: the benchmarks and the browser bench's native side share it.
#pragma once

#include "swap_record.h"

#include <cstdint>
#include <string>
#include <vector>

// The monotonic clock the swap counter stamps its records with, in nanoseconds.
int64_t monotonicNanoseconds();

// Every record of the log at `path`; a record cut short at the end is left out.
std::vector<SwapRecord> readSwapLog(const std::string& path);

// Seconds between consecutive swaps that both fall within [from, to] and both drew exactly
// `spheres`: a frame of another sphere count breaks the run.
std::vector<double> swapIntervals(const std::vector<SwapRecord>& swaps, uint32_t spheres,
                                  int64_t from, int64_t to);

// The middle value; for an even count, the mean of the middle pair. 0 for none.
double median(std::vector<double> values);

// The value at `fraction` of the sorted values, to the nearest rank. 0 for none.
double percentile(std::vector<double> values, double fraction);
