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

// A whole disk of <sysBlock> backed by a device, not a device-mapper, RAID,
// loop, zram or RAM disk.
bool isPhysicalDisk(const std::filesystem::path& sysBlock, const std::string& entry) {
  // Stacked and memory-backed disks pass every byte on to (or hold it in
  // place of) a physical one; the names also cover a kernel that would give
  // one of them a device link.
  for (std::string_view layer : {"dm-", "md", "loop", "zram", "ram"}) {
    if (entry.starts_with(layer)) return false;
  }
  return FileSystem::exists(sysBlock / entry / "device");
}

}  // namespace

LiveDiskCounters::LiveDiskCounters() : LiveDiskCounters(FileSystem::root()) {}

LiveDiskCounters::LiveDiskCounters(std::filesystem::path root) : root_(std::move(root)) {}

std::optional<DiskByteCounters> LiveDiskCounters::diskByteCounters() {
  const std::filesystem::path sysBlock = root_ / "sys/block";
  auto wholeDisks = FileSystem::list(sysBlock);
  if (!wholeDisks) return std::nullopt;
  auto text = FileSystem::readFile(root_ / "proc/diskstats");
  if (!text) return std::nullopt;
  // sysfs spells a slash in a disk's name ("cciss/c0d0") as '!'.
  std::set<std::string, std::less<>> disks;
  for (std::string name : *wholeDisks) {
    if (!isPhysicalDisk(sysBlock, name)) continue;
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
