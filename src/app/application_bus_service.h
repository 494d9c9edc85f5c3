#pragma once

#include <cstddef>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dbus/async_bus_connection.h"

namespace vigilix {

// The desktop's way to reach the running application: the well-known name
// and org.freedesktop.Application, as a desktop entry with D-Bus activation
// expects them (the name is the entry's file name without ".desktop").
inline constexpr const char* kApplicationBusName = "run.tarvo.vigilix";
inline constexpr const char* kApplicationObjectPath = "/run/tarvo/vigilix";
inline constexpr const char* kApplicationInterface = "org.freedesktop.Application";

// Serves Activate, Open and ActivateAction on the session bus. Each call is
// answered at once; its work runs afterwards on the main queue, outside
// sd-bus's dispatch. Exported before the name is asked for, since a launcher
// that started us calls as soon as we own it: until the application is
// ready to serve, the work of each call is kept, and serve() runs it first,
// in order. Platform data and action parameters are ignored. Main thread
// only; dropping the service ends the object.
class ApplicationBusService {
 public:
  // One Open takes its first addresses only: each becomes work on the main
  // queue, and any program on the session bus may call.
  static constexpr std::size_t kMaximumAddressesPerOpen = 64;

  struct Handlers {
    std::function<void()> activate;
    std::function<void(const std::vector<std::string>& uris)> open;
    std::function<void(const std::string& action)> activateAction;
  };
  using Work = std::function<void(const Handlers&)>;

  static std::expected<std::unique_ptr<ApplicationBusService>, platform::BusError> exportOn(
      platform::AsyncBusConnection& connection);

  // From now on each call's work runs with `handlers`; the kept ones first.
  void serve(Handlers handlers);
  // A call's work: kept, or queued on the main queue once serving.
  void take(Work work);

 private:
  ApplicationBusService() = default;

  std::optional<Handlers> handlers_;
  std::vector<Work> waiting_;
  platform::BusSlot object_;
};

enum class ApplicationNameOutcome { owned, taken };
using ApplicationNameHandler =
    std::function<void(const std::expected<ApplicationNameOutcome, platform::BusError>&)>;

// Asks the bus for kApplicationBusName without queueing: `onOutcome` hears
// whether this process owns it now or another instance does.
[[nodiscard]] std::expected<platform::BusSlot, platform::BusError> requestApplicationName(
    platform::AsyncBusConnection& connection, ApplicationNameHandler onOutcome);

// Hands `uris` to the instance that owns the name (Open), or, with none,
// asks it to come forward (Activate).
[[nodiscard]] std::expected<platform::BusSlot, platform::BusError> forwardToRunningInstance(
    platform::AsyncBusConnection& connection, const std::vector<std::string>& uris,
    platform::BusReplyHandler onReply);

}  // namespace vigilix
