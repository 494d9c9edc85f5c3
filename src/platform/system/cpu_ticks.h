#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace vigilix::platform {

// The machine's CPU time so far, summed over all cores, in clock ticks.
// 64-bit, so the counters do not wrap in practice; callers still subtract
// them modulo 2^64.
struct CPUTicks {
  std::uint64_t user = 0;
  std::uint64_t system = 0;
  std::uint64_t idle = 0;
  std::uint64_t nice = 0;

  bool operator==(const CPUTicks&) const = default;
};

class CPUTickCounters {
 public:
  virtual ~CPUTickCounters() = default;
  // None when the counters cannot be read.
  virtual std::optional<CPUTicks> read() = 0;
};

// Reads the "cpu" line of <root>/proc/stat: waiting for I/O counts as idle;
// interrupts, soft interrupts and time stolen by a hypervisor count as
// system. Guest time is already part of user and nice there.
class LiveCPUTickCounters final : public CPUTickCounters {
 public:
  // The machine under the file-system root (FileSystem::root()).
  LiveCPUTickCounters();
  explicit LiveCPUTickCounters(std::filesystem::path root);
  std::optional<CPUTicks> read() override;

 private:
  std::filesystem::path root_;
};

// The totals of the "cpu" line of a /proc/stat text; none when it is missing
// or has fewer than the four first counters.
std::optional<CPUTicks> parseProcStat(std::string_view text);

}  // namespace vigilix::platform
