#pragma once

#include <optional>
#include <string>

namespace vigilix::platform {

class WiFiInterface {
 public:
  virtual ~WiFiInterface() = default;
  // The joined network's name; none when not joined, when there is no Wi-Fi
  // interface or when the name cannot be read. Any thread.
  virtual std::optional<std::string> ssid() = 0;

  // The machine's Wi-Fi as the application installed it at launch
  // (NetworkManagerWiFi); until then, and in tests that install none, no name.
  // Returns the one replaced (nullptr: none was installed).
  static WiFiInterface& current();
  static WiFiInterface* setCurrent(WiFiInterface* wifi);
};

}  // namespace vigilix::platform
