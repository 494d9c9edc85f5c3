#pragma once

#include <cstddef>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "intents/intent_actions.h"
#include "platform/base/product.h"
#include "platform/dbus/async_bus_connection.h"
#include "platform/dbus/exported_object.h"

namespace vigilix {

// The desktop's way to reach the running application: the well-known name
// and org.freedesktop.Application, as a desktop entry with D-Bus activation
// expects them (the name is the entry's file name without ".desktop").
inline constexpr const char* kApplicationBusName = platform::kProductIdentifier;
inline constexpr const char* kApplicationObjectPath = "/run/tarvo/vigilix";
inline constexpr const char* kApplicationInterface = "org.freedesktop.Application";
// The actions scripts run, one method each, and the signal shells follow.
inline constexpr const char* kActionsObjectPath = "/run/tarvo/vigilix/Actions";
inline constexpr const char* kActionsInterface = "run.tarvo.vigilix.Actions";
inline constexpr const char* kActionDeniedError = "run.tarvo.vigilix.Error.Denied";
inline constexpr const char* kActionPastTimeError = "run.tarvo.vigilix.Error.PastTime";

// Serves Activate, Open and ActivateAction, and the actions, on the session bus. Each call is
// answered at once; its work runs afterwards on the main queue, outside
// the bus's dispatch. Exported before the name is asked for, since a launcher
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
    // Runs an action of kActionsInterface; without one every action fails.
    std::function<intents::Outcome(const intents::Action&)> perform;
  };
  using Work = std::function<void(const Handlers&)>;

  static std::expected<std::unique_ptr<ApplicationBusService>, platform::BusError> exportOn(
      platform::AsyncBusConnection& connection);

  // From now on each call's work runs with `handlers`; the kept ones first.
  void serve(Handlers handlers);
  // A call's work: kept, or queued on the main queue once serving.
  void take(Work work);
  // Emits ControlsChanged(kind) on the actions object.
  void announceControlsChanged(const std::string& kind);

 private:
  ApplicationBusService() = default;
  platform::BusInterfaceTable applicationTable();
  platform::BusInterfaceTable actionsTable();

  std::optional<Handlers> handlers_;
  std::vector<Work> waiting_;
  platform::AsyncBusConnection* connection_ = nullptr;
  platform::BusSlot object_;
  platform::BusSlot actionsObject_;
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
