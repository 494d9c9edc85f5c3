#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/system/wifi_interface.h"

namespace vigilix::platform {

// An SSID as a name: its bytes when they are UTF-8 (the name a person
// typed), else none, as no name can be shown or matched for it.
std::optional<std::string> networkNameFromSsid(const std::string& bytes);

// The Wi-Fi network name from NetworkManager on the system bus: the `Ssid` of
// the access point of the primary connection, when that connection is a
// Wi-Fi one. It reads the name once the watch starts and reads it again when
// NetworkManager says the primary connection, its access point or that
// point's name changed, or when NetworkManager (re)starts. No system bus, no
// NetworkManager, another kind of primary connection: no name (the log says
// once when NetworkManager cannot be reached). Bus work runs on the main
// loop; ssid() answers the latest reading from any thread.
class NetworkManagerWiFi final : public WiFiInterface {
 public:
  // Starts watching at the main queue's next turn; no name until then.
  NetworkManagerWiFi();
  ~NetworkManagerWiFi() override;
  NetworkManagerWiFi(const NetworkManagerWiFi&) = delete;
  NetworkManagerWiFi& operator=(const NetworkManagerWiFi&) = delete;

  std::optional<std::string> ssid() override;

 private:
  struct Watch;
  std::shared_ptr<Watch> watch_;
};

}  // namespace vigilix::platform
