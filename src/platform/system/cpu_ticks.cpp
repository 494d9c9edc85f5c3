#include "platform/system/cpu_ticks.h"

#include <utility>
#include <vector>

#include "platform/fs/file_system.h"
#include "platform/system/proc_values.h"

namespace vigilix::platform {

LiveCPUTickCounters::LiveCPUTickCounters() : LiveCPUTickCounters(FileSystem::root()) {}

LiveCPUTickCounters::LiveCPUTickCounters(std::filesystem::path root) : root_(std::move(root)) {}

std::optional<CPUTicks> LiveCPUTickCounters::read() {
  auto text = FileSystem::readFile(root_ / "proc/stat");
  if (!text) return std::nullopt;
  return parseProcStat(*text);
}

std::optional<CPUTicks> parseProcStat(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

    const std::vector<std::string_view> fields = splitFields(line);
    if (fields.empty() || fields[0] != "cpu") continue;
    // user nice system idle iowait irq softirq steal guest guest_nice; older
    // kernels stop after idle, so missing later fields count as 0.
    std::uint64_t values[8] = {};
    for (std::size_t i = 0; i < 8; ++i) {
      if (i + 1 >= fields.size()) {
        if (i < 4) return std::nullopt;
        break;
      }
      auto value = parseUnsigned(fields[i + 1]);
      if (!value) return std::nullopt;
      values[i] = *value;
    }
    CPUTicks ticks;
    ticks.user = values[0];
    ticks.nice = values[1];
    ticks.system = values[2] + values[5] + values[6] + values[7];
    ticks.idle = values[3] + values[4];
    return ticks;
  }
  return std::nullopt;
}

}  // namespace vigilix::platform
