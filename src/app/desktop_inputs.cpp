#include "app/desktop_inputs.h"

#include <utility>
#include <vector>

#include "platform/base/logger.h"
#include "platform/system/logind_idle_time.h"
#include "platform/system/network_manager_wifi.h"
#include "platform/system/wifi_interface.h"
#include "platform/x11/x11_active_window.h"
#include "platform/x11/x11_idle_time.h"

namespace vigilix {

namespace {

const platform::Logger& inputsLog() {
  static const platform::Logger log{"DesktopInputs"};
  return log;
}

DesktopInputs fromLogind(const char* why) {
  inputsLog().log("{}: the idle time comes from logind and no application reads as frontmost.",
                  why);
  return {
      std::make_shared<platform::LogindIdleTime>(platform::LogindIdleTime::sessionOfThisProcess()),
      nullptr};
}

}  // namespace

DesktopInputs makeDesktopInputs(const platform::SessionVariables& session) {
  switch (platform::desktopSessionFor(session)) {
    case platform::DesktopSession::Wayland:
      return fromLogind("Wayland session");
    case platform::DesktopSession::NoDisplay:
      return fromLogind("No X display");
    case platform::DesktopSession::X11:
      break;
  }
  auto idle = platform::X11IdleTime::open(session.display);
  auto window = platform::X11ActiveWindow::open(session.display);
  if (!idle || !window) {
    inputsLog().error("X display {}: {}", session.display, !idle ? idle.error() : window.error());
    return fromLogind("The X display does not answer");
  }
  inputsLog().info("The idle time and the frontmost application come from X display {}.",
                   session.display);
  return {std::move(*idle), std::move(*window)};
}

std::function<std::optional<double>()> installDesktopInputs(DesktopInputs inputs) {
  // Kept for the life of the process and never destroyed: the trigger monitor's
  // queue may read them during exit, and a later install must not free readers
  // an earlier one handed out.
  struct Installed {
    std::vector<std::unique_ptr<platform::ActiveWindowOwner>> windows;
    std::vector<std::unique_ptr<platform::WiFiInterface>> wifi;
    std::vector<std::shared_ptr<platform::UserIdleTime>> idle;
  };
  static auto* const installed = new Installed();
  if (inputs.activeWindow) {
    platform::ActiveWindowOwner::setCurrent(inputs.activeWindow.get());
    installed->windows.push_back(std::move(inputs.activeWindow));
  }
  installed->wifi.push_back(std::make_unique<platform::NetworkManagerWiFi>());
  platform::WiFiInterface::setCurrent(installed->wifi.back().get());
  if (inputs.idleTime) {
    platform::UserIdleTime::setCurrent(inputs.idleTime.get());
    installed->idle.push_back(inputs.idleTime);
  }
  return [idle = std::move(inputs.idleTime)]() -> std::optional<double> {
    return idle ? idle->secondsSinceLastInput() : std::nullopt;
  };
}

}  // namespace vigilix
