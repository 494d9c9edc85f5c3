#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace vigilix::platform {

// Bytes received plus sent so far, per network interface.
using InterfaceByteCounters = std::map<std::string, std::uint64_t>;

class NetworkCounters {
 public:
  virtual ~NetworkCounters() = default;
  // Every interface that counts, each once; empty when the interfaces cannot be listed.
  virtual InterfaceByteCounters interfaceByteCounters() = 0;
};

// Reads <root>/sys/class/net/<name>/statistics/rx_bytes and tx_bytes (64-bit
// counters) of the interfaces backed by a device (<name>/device exists), so
// container, bridge, tunnel and VPN traffic is counted once, on the device
// it crosses. Names beginning with "lo", and interfaces without both
// counters, are left out.
class LiveNetworkCounters final : public NetworkCounters {
 public:
  // The machine under the file-system root (FileSystem::root()).
  LiveNetworkCounters();
  explicit LiveNetworkCounters(std::filesystem::path root);
  InterfaceByteCounters interfaceByteCounters() override;

 private:
  std::filesystem::path root_;
};

}  // namespace vigilix::platform
