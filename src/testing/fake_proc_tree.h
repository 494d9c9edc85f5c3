#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vigilix::testing {

// A temporary folder laid out like the parts of /proc and /sys the live
// readers look at, for readers created with its root. Starts empty, like a
// machine that has none of these entries. Removed on destruction.
class FakeProcTree {
 public:
  FakeProcTree();
  ~FakeProcTree();
  FakeProcTree(const FakeProcTree&) = delete;
  FakeProcTree& operator=(const FakeProcTree&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path pathFor(std::string_view relative) const { return root_ / relative; }

  // Writes a file (making its folders); `relative` has no leading "/".
  void writeFile(std::string_view relative, std::string_view contents) const;
  void remove(std::string_view relative) const;

  // The "cpu" line of proc/stat, in the kernel's order.
  struct CPULine {
    std::uint64_t user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0,
                  steal = 0, guest = 0, guestNice = 0;
  };
  void setCPU(const CPULine& line) const;

  // sys/class/net/<name>/statistics/{rx,tx}_bytes, and <name>/device for an
  // interface backed by a device.
  void setInterface(const std::string& name, std::uint64_t received, std::uint64_t sent,
                    bool backedByDevice = true) const;
  void removeInterface(const std::string& name) const;

  // One line of proc/diskstats; a whole disk also gets sys/block/<name>, and
  // a physical one sys/block/<name>/device. proc/diskstats is rewritten from
  // every disk set so far.
  enum class DiskKind { Physical, Partition, Virtual };
  void setDisk(const std::string& name, std::uint32_t major, std::uint32_t minor,
               std::uint64_t sectorsRead, std::uint64_t sectorsWritten,
               DiskKind kind = DiskKind::Physical);
  void removeDisk(const std::string& name);

  // sys/class/drm/<entry>/status and enabled, e.g. ("card0-HDMI-A-1",
  // "connected", "enabled").
  void setDisplay(const std::string& entry, std::string_view status,
                  std::string_view enabled = "enabled") const;

  // sys/class/thermal/thermal_zone<zone>/temp and a trip_point_<n>_type and
  // _temp per trip, in millidegrees Celsius.
  struct Trip {
    std::string type;
    std::int64_t temperature;
  };
  void setThermalZone(int zone, std::int64_t temperature, const std::vector<Trip>& trips) const;

  // sys/class/hwmon/<hwmon>/name and temp<n>_input, with temp<n>_max and
  // temp<n>_crit when given, in millidegrees Celsius.
  struct HwmonSensor {
    std::int64_t temperature;
    std::optional<std::int64_t> max;
    std::optional<std::int64_t> crit;
  };
  void setHwmon(const std::string& hwmon, const std::string& name,
                const std::vector<HwmonSensor>& sensors) const;

  // sys/class/power_supply/<name>/<attribute> for each attribute given.
  void setPowerSupply(const std::string& name,
                      const std::map<std::string, std::string>& attributes) const;

  // proc/asound/<card>/<device>/<substream>/status with "state: <state>"
  // (or "closed" when the state is empty).
  void setSoundSubstream(const std::string& card, const std::string& device,
                         const std::string& substream, std::string_view state) const;

  // proc/<pid>/cmdline (arguments joined by NUL), comm, and an exe link to
  // `executable` when given.
  void addProcess(std::int32_t pid, std::string_view commandLine, std::string_view comm,
                  std::optional<std::string> executable = std::nullopt) const;
  // proc/<pid>/fd/<descriptor>, a link to `target` as the kernel names it.
  void openFile(std::int32_t pid, int descriptor, std::string_view target) const;
  // proc/<pid>/stat naming the parent and the start time in clock ticks after boot.
  void setProcessStat(std::int32_t pid, std::int32_t parent, std::uint64_t startTicks) const;
  // proc/stat holding only the boot time (seconds since 1970).
  void setBootTime(std::int64_t seconds) const;

 private:
  struct Disk {
    std::uint32_t major, minor;
    std::uint64_t sectorsRead, sectorsWritten;
  };
  void writeDiskstats() const;

  std::filesystem::path root_;
  std::map<std::string, Disk> disks_;
};

}  // namespace vigilix::testing
