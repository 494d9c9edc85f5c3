#include "platform/system/wifi_interface.h"

#include "platform/base/current_instance.h"

namespace vigilix::platform {

namespace {

// Before the application installs its reader, nothing tells the name.
class NoWiFi final : public WiFiInterface {
 public:
  std::optional<std::string> ssid() override { return std::nullopt; }
};

constinit CurrentInstance<WiFiInterface> currentWiFi{
    &processLifetimeInstance<WiFiInterface, NoWiFi>};

}  // namespace

WiFiInterface& WiFiInterface::current() { return currentWiFi.get(); }

WiFiInterface* WiFiInterface::setCurrent(WiFiInterface* wifi) { return currentWiFi.install(wifi); }

}  // namespace vigilix::platform
