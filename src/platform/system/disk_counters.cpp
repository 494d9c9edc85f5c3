#include "platform/system/disk_counters.h"

#include <algorithm>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/fs/file_system.h"
#include "platform/system/proc_values.h"

namespace vigilix::platform {

namespace {

constexpr std::uint64_t kSectorBytes = 512;

}  // namespace

LiveDiskCounters::LiveDiskCounters(std::filesystem::path root) : root_(std::move(root)) {}

std::optional<DiskByteCounters> LiveDiskCounters::diskByteCounters() {
  auto wholeDisks = FileSystem::list(root_ / "sys/block");
  if (!wholeDisks) return std::nullopt;
  auto text = FileSystem::readFile(root_ / "proc/diskstats");
  if (!text) return std::nullopt;
  // sysfs spells a slash in a disk's name ("cciss/c0d0") as '!'.
  std::set<std::string, std::less<>> disks;
  for (std::string name : *wholeDisks) {
    std::replace(name.begin(), name.end(), '!', '/');
    disks.insert(std::move(name));
  }

  DiskByteCounters counters;
  std::string_view rest = *text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);

    // major minor name reads merged sectors-read ms writes merged sectors-written ...
    const std::vector<std::string_view> fields = splitFields(line);
    if (fields.size() < 10 || !disks.contains(fields[2])) continue;
    const auto major = parseUnsigned(fields[0]);
    const auto minor = parseUnsigned(fields[1]);
    const auto sectorsRead = parseUnsigned(fields[5]);
    const auto sectorsWritten = parseUnsigned(fields[9]);
    if (!major || !minor || !sectorsRead || !sectorsWritten) continue;
    if (*major > UINT32_MAX || *minor > UINT32_MAX) continue;
    counters[diskIdentity(static_cast<std::uint32_t>(*major), static_cast<std::uint32_t>(*minor))] =
        (*sectorsRead + *sectorsWritten) * kSectorBytes;
  }
  return counters;
}

}  // namespace vigilix::platform
