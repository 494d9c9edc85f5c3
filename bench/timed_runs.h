#pragma once

// A program started again and again, each run timed from start to exit.

#include <filesystem>
#include <string>
#include <vector>

namespace vigilix::bench {

struct TimedRuns {
  std::vector<double> milliseconds;  // start to exit, wall clock
  std::vector<double> minorFaults;   // pages the run touched first
  int failed = 0;                    // runs that could not start or did not exit 0
};

// Runs `argv` `count` times, its standard input read from `input` (else /dev/null) and its
// output thrown away.
TimedRuns timeRuns(const std::vector<std::string>& argv, int count,
                   const std::filesystem::path& input = "/dev/null");

}  // namespace vigilix::bench
