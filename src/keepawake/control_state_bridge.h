#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "controls/control_state.h"
#include "keepawake/awake_state.h"
#include "platform/base/date.h"
#include "platform/notifications/notification_center.h"

namespace vigilix {

namespace platform {
class UserDefaults;
}

// The record the extension shows for a published snapshot: awake as the
// snapshot says, with the deadline of a manual session that has one.
VGXControlState controlStateForSnapshot(const AwakeSnapshot& snapshot);

// The application's side of the control state: writes it after every change
// and takes the extension's requests. Main thread only.
class ControlStateBridge {
 public:
  // Opens the app-group suite for one use; nullptr when it cannot be opened.
  using SuiteOpener = std::function<std::shared_ptr<platform::UserDefaults>()>;
  // Asks Control Center to reload the controls of a kind. Empty where
  // Control Center cannot reload controls (systems before macOS 26).
  using ControlReloader = std::function<void(const std::string& kind)>;
  // Receives an accepted request's value.
  using RequestHandler = std::function<void(bool value)>;

  // The app-group suite of the shared user defaults.
  static SuiteOpener appGroupSuite();

  ControlStateBridge(SuiteOpener openSuite, ControlReloader reloadControls);
  ~ControlStateBridge();
  ControlStateBridge(const ControlStateBridge&) = delete;
  ControlStateBridge& operator=(const ControlStateBridge&) = delete;

  // Writes the state of `snapshot`; when the stored state changed, asks
  // Control Center to reload the control. True when it wrote.
  bool publish(const AwakeSnapshot& snapshot);

  // Takes the pending request, if any, as of `now`.
  std::optional<bool> takeRequest(platform::Date now);

  // Observes the system-wide request notification (replacing an earlier
  // handler), then takes a request left before the observer existed. Each
  // notification takes the request again at the clock's current time; an
  // accepted value goes to `handler`.
  void startObservingRequests(RequestHandler handler);
  void stopObservingRequests();
  bool isObservingRequests() const { return observer_ != nullptr; }

 private:
  struct Shared {
    SuiteOpener openSuite;
    RequestHandler handler;
  };
  static void takeAndDeliver(const std::shared_ptr<Shared>& shared);

  std::shared_ptr<Shared> shared_;
  ControlReloader reloadControls_;
  platform::ObserverHandle observer_;
};

}  // namespace vigilix
