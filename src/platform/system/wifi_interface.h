#pragma once

#include <optional>
#include <string>

namespace vigilix::platform {

class WiFiInterface {
 public:
  virtual ~WiFiInterface() = default;
  // The joined network's name; none when not joined, when there is no Wi-Fi
  // interface or when the name cannot be read.
  virtual std::optional<std::string> ssid() = 0;
};

// The network name needs the wireless configuration interface of the kernel
// (netlink) or a network manager; no plain file holds it, so the live answer
// is the neutral one: no name.
class LiveWiFiInterface final : public WiFiInterface {
 public:
  std::optional<std::string> ssid() override { return std::nullopt; }
};

}  // namespace vigilix::platform
