// `vigilix-control`: shows and switches keep-awake through the state the application shares,
// without calling the application.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "controls/control_command.h"
#include "controls/control_state.h"
#include "platform/dbus/bus_connection.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/immediate_notification_poster.h"
#include "platform/runloop/clock.h"

int main(int argc, char** argv) {
  using namespace vigilix;
  std::unique_ptr<platform::ImmediateNotificationPoster> poster;
  if (auto bus = platform::BusConnection::open(platform::BusKind::Session)) {
    poster = std::make_unique<platform::ImmediateNotificationPoster>(std::move(*bus));
    platform::DistributedNotificationCenter::setCurrent(poster.get());
  }
  const auto suite = platform::UserDefaults::suite(VGXControlState::appGroup);
  const auto result = runControlCommand(std::vector<std::string>(argv + 1, argv + argc),
                                        suite.get(), platform::Clock::current().now());
  std::fputs(result.output.c_str(), stdout);
  std::fputs(result.error.c_str(), stderr);
  platform::DistributedNotificationCenter::setCurrent(nullptr);
  return result.exitCode;
}
