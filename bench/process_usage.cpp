#include "bench/process_usage.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vigilix::bench {
namespace {

std::string readText(const std::filesystem::path& file) {
  std::ifstream stream(file);
  return std::string((std::istreambuf_iterator<char>(stream)), {});
}

// The number after "key:" on its line, or -1.
long fieldOf(const std::string& text, const std::string& key) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(key + ":", 0) == 0)
      return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
  }
  return -1;
}

}  // namespace

std::string loadAverage() {
  std::istringstream fields(readText("/proc/loadavg"));
  std::string one, five, fifteen;
  fields >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

ProcessUsage usageOf(pid_t pid, const std::string& leftOut) {
  const std::filesystem::path folder = "/proc/" + std::to_string(pid);
  ProcessUsage usage;
  // A process's own schedstat is its first thread's; a helper thread's timer wakes the machine
  // too, so every thread counts.
  for (const auto& task : std::filesystem::directory_iterator(folder / "task")) {
    if (!leftOut.empty() && readText(task.path() / "comm") == leftOut + "\n") continue;
    std::istringstream schedstat(readText(task.path() / "schedstat"));
    std::uint64_t onCpu = 0, waiting = 0, slices = 0;
    if (schedstat >> onCpu >> waiting >> slices) {
      usage.cpuNanoseconds += onCpu;
      usage.timeslices += slices;
    }
    usage.voluntarySwitches +=
        std::max(0L, fieldOf(readText(task.path() / "status"), "voluntary_ctxt_switches"));
  }
  const std::string rollup = readText(folder / "smaps_rollup");
  usage.rssKiB = fieldOf(rollup, "Rss");
  usage.pssKiB = fieldOf(rollup, "Pss");
  usage.peakRssKiB = fieldOf(readText(folder / "status"), "VmHWM");
  return usage;
}

double percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

}  // namespace vigilix::bench
