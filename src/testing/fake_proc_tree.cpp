#include "testing/fake_proc_tree.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <fstream>
#include <system_error>

#include "testing/temporary_folder.h"

namespace vigilix::testing {

FakeProcTree::FakeProcTree() : root_(makeTemporaryFolder("vigilix-proc")) {}

FakeProcTree::~FakeProcTree() {
  std::error_code error;
  std::filesystem::remove_all(root_, error);
}

void FakeProcTree::writeFile(std::string_view relative, std::string_view contents) const {
  const std::filesystem::path path = pathFor(relative);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

void FakeProcTree::remove(std::string_view relative) const {
  std::error_code error;
  std::filesystem::remove_all(pathFor(relative), error);
}

void FakeProcTree::setCPU(const CPULine& l) const {
  writeFile("proc/stat",
            fmt::format("cpu  {} {} {} {} {} {} {} {} {} {}\ncpu0 0 0 0 0 0 0 0 0 0 0\n"
                        "intr 12345 0 0\nctxt 999\nbtime 1700000000\n",
                        l.user, l.nice, l.system, l.idle, l.iowait, l.irq, l.softirq, l.steal,
                        l.guest, l.guestNice));
}

void FakeProcTree::setInterface(const std::string& name, std::uint64_t received, std::uint64_t sent,
                                bool backedByDevice) const {
  writeFile("sys/class/net/" + name + "/statistics/rx_bytes", fmt::format("{}\n", received));
  writeFile("sys/class/net/" + name + "/statistics/tx_bytes", fmt::format("{}\n", sent));
  if (backedByDevice)
    std::filesystem::create_directories(pathFor("sys/class/net/" + name + "/device"));
}

void FakeProcTree::removeInterface(const std::string& name) const {
  remove("sys/class/net/" + name);
}

void FakeProcTree::setDisk(const std::string& name, std::uint32_t major, std::uint32_t minor,
                           std::uint64_t sectorsRead, std::uint64_t sectorsWritten, DiskKind kind) {
  disks_[name] = Disk{major, minor, sectorsRead, sectorsWritten};
  if (kind == DiskKind::Partition) {
    std::filesystem::create_directories(pathFor("sys/block"));
  } else {
    writeFile("sys/block/" + name + "/dev", fmt::format("{}:{}\n", major, minor));
  }
  if (kind == DiskKind::Physical)
    std::filesystem::create_directories(pathFor("sys/block/" + name + "/device"));
  writeDiskstats();
}

void FakeProcTree::removeDisk(const std::string& name) {
  disks_.erase(name);
  remove("sys/block/" + name);
  writeDiskstats();
}

void FakeProcTree::writeDiskstats() const {
  std::string text;
  for (const auto& [name, d] : disks_) {
    // Reads, merged, sectors, ms, then the same for writes, then the rest.
    text += fmt::format("{:4} {:7} {} 100 7 {} 50 200 9 {} 80 0 130 130 0 0 0 0 0 0\n", d.major,
                        d.minor, name, d.sectorsRead, d.sectorsWritten);
  }
  writeFile("proc/diskstats", text);
}

void FakeProcTree::setDisplay(const std::string& entry, std::string_view status,
                              std::string_view enabled) const {
  writeFile("sys/class/drm/" + entry + "/status", fmt::format("{}\n", status));
  writeFile("sys/class/drm/" + entry + "/enabled", fmt::format("{}\n", enabled));
}

void FakeProcTree::setThermalZone(int zone, std::int64_t temperature,
                                  const std::vector<Trip>& trips) const {
  const std::string folder = fmt::format("sys/class/thermal/thermal_zone{}/", zone);
  writeFile(folder + "temp", fmt::format("{}\n", temperature));
  for (std::size_t n = 0; n < trips.size(); ++n) {
    writeFile(folder + fmt::format("trip_point_{}_type", n), trips[n].type + "\n");
    writeFile(folder + fmt::format("trip_point_{}_temp", n),
              fmt::format("{}\n", trips[n].temperature));
  }
}

void FakeProcTree::setHwmon(const std::string& hwmon, const std::string& name,
                            const std::vector<HwmonSensor>& sensors) const {
  const std::string folder = "sys/class/hwmon/" + hwmon + "/";
  writeFile(folder + "name", name + "\n");
  for (std::size_t n = 0; n < sensors.size(); ++n) {
    const std::string sensor = folder + fmt::format("temp{}_", n + 1);
    writeFile(sensor + "input", fmt::format("{}\n", sensors[n].temperature));
    if (sensors[n].max) writeFile(sensor + "max", fmt::format("{}\n", *sensors[n].max));
    if (sensors[n].crit) writeFile(sensor + "crit", fmt::format("{}\n", *sensors[n].crit));
  }
}

void FakeProcTree::setPowerSupply(const std::string& name,
                                  const std::map<std::string, std::string>& attributes) const {
  for (const auto& [attribute, value] : attributes) {
    writeFile("sys/class/power_supply/" + name + "/" + attribute, value + "\n");
  }
}

void FakeProcTree::setSoundSubstream(const std::string& card, const std::string& device,
                                     const std::string& substream, std::string_view state) const {
  const std::string contents =
      state.empty() ? std::string("closed\n")
                    : fmt::format("state: {}\nowner_pid   : 4242\ntrigger_time: 1.5\n", state);
  writeFile("proc/asound/" + card + "/" + device + "/" + substream + "/status", contents);
}

void FakeProcTree::openFile(std::int32_t pid, int descriptor, std::string_view target) const {
  const std::filesystem::path folder = pathFor(fmt::format("proc/{}/fd", pid));
  std::filesystem::create_directories(folder);
  std::error_code error;
  std::filesystem::create_symlink(target, folder / std::to_string(descriptor), error);
  if (error) ADD_FAILURE() << "cannot link " << folder << ": " << error.message();
}

void FakeProcTree::addProcess(std::int32_t pid, std::string_view commandLine, std::string_view comm,
                              std::optional<std::string> executable) const {
  const std::string folder = fmt::format("proc/{}", pid);
  std::string arguments(commandLine);
  for (char& c : arguments) {
    if (c == ' ') c = '\0';
  }
  if (!arguments.empty()) arguments.push_back('\0');
  writeFile(folder + "/cmdline", arguments);
  writeFile(folder + "/comm", fmt::format("{}\n", comm));
  if (executable) {
    std::error_code error;
    std::filesystem::create_symlink(*executable, pathFor(folder + "/exe"), error);
    if (error) ADD_FAILURE() << "cannot link " << folder << "/exe: " << error.message();
  }
}

void FakeProcTree::setProcessStat(std::int32_t pid, std::int32_t parent,
                                  std::uint64_t startTicks) const {
  writeFile(fmt::format("proc/{}/stat", pid),
            fmt::format("{} (agent) S {} {} {} 0 -1 4194560 100 0 0 0 1 2 0 0 20 0 1 0 {} 1000 "
                        "10 18446744073709551615\n",
                        pid, parent, pid, pid, startTicks));
}

void FakeProcTree::setBootTime(std::int64_t seconds) const {
  writeFile("proc/stat", fmt::format("cpu  1 0 1 1 0 0 0 0 0 0\nbtime {}\n", seconds));
}

}  // namespace vigilix::testing
