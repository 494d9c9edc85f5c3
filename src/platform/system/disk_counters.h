#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>

namespace vigilix::platform {

// Bytes read plus written so far, per whole disk, keyed by the disk's
// identity (its device number: major in the high 32 bits, minor in the low).
using DiskByteCounters = std::map<std::uint64_t, std::uint64_t>;

class DiskCounters {
 public:
  virtual ~DiskCounters() = default;
  // None when the disks cannot be looked up at all.
  virtual std::optional<DiskByteCounters> diskByteCounters() = 0;
};

// Reads <root>/proc/diskstats: sectors read plus sectors written, times 512
// (the kernel counts there in 512-byte units whatever the disk's own sector
// size). Only physical whole disks are counted: those of <root>/sys/block with
// a "device" entry, not named dm-*, md*, loop*, zram* or ram*, so a byte
// written through a partition, LVM, LUKS, RAID or a loop file counts once,
// and swap in compressed memory not at all.
class LiveDiskCounters final : public DiskCounters {
 public:
  // The machine under the file-system root (FileSystem::root()).
  LiveDiskCounters();
  explicit LiveDiskCounters(std::filesystem::path root);
  std::optional<DiskByteCounters> diskByteCounters() override;

 private:
  std::filesystem::path root_;
};

// The identity of a disk from its device numbers.
constexpr std::uint64_t diskIdentity(std::uint32_t major, std::uint32_t minor) {
  return (static_cast<std::uint64_t>(major) << 32) | minor;
}

}  // namespace vigilix::platform
