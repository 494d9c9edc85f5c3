#pragma once

// What a running process has cost so far, read from outside through /proc.

#include <sys/types.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace vigilix::bench {

struct ProcessUsage {
  std::uint64_t cpuNanoseconds = 0;  // time on a CPU, every thread (schedstat)
  std::uint64_t timeslices = 0;      // times a thread was put on a CPU (schedstat)
  long voluntarySwitches = 0;        // sleeps that ended in a wake-up, every thread
  long rssKiB = 0;
  long pssKiB = 0;  // shared pages divided among the processes that map them
  long peakRssKiB = 0;
};

// `leftOut` names a thread (by its name in the process table) whose costs are not counted.
ProcessUsage usageOf(pid_t pid, const std::string& leftOut = {});

// The machine's load averages over 1, 5 and 15 minutes ("0.52 0.61 0.70"), printed beside
// the timings: on a shared machine they say how far to trust them.
std::string loadAverage();

// The value at `share` (0..1) of the sorted values; 0 for none.
double percentile(std::vector<double> values, double share);
inline double median(const std::vector<double>& values) { return percentile(values, 0.5); }
inline double minimum(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

}  // namespace vigilix::bench
