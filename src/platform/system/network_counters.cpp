#include "platform/system/network_counters.h"

#include <utility>

#include "platform/fs/file_system.h"
#include "platform/system/proc_values.h"

namespace vigilix::platform {

LiveNetworkCounters::LiveNetworkCounters() : LiveNetworkCounters(FileSystem::root()) {}

LiveNetworkCounters::LiveNetworkCounters(std::filesystem::path root) : root_(std::move(root)) {}

InterfaceByteCounters LiveNetworkCounters::interfaceByteCounters() {
  InterfaceByteCounters counters;
  const std::filesystem::path folder = root_ / "sys/class/net";
  for (const std::string& name : listFolder(folder)) {
    if (name.starts_with("lo")) continue;
    // Virtual links (veth pairs, bridges, tun/tap, ifb, VPNs) carry bytes that
    // also cross a device-backed interface: counting them too counts twice.
    if (!FileSystem::exists(folder / name / "device")) continue;
    const std::filesystem::path statistics = folder / name / "statistics";
    const auto received = readUnsignedFile(statistics / "rx_bytes");
    const auto sent = readUnsignedFile(statistics / "tx_bytes");
    if (!received || !sent) continue;
    // The sum wraps modulo 2^64 like the counters themselves.
    counters[name] = *received + *sent;
  }
  return counters;
}

}  // namespace vigilix::platform
