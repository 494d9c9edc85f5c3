#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "intents/running_app_entity.h"
#include "platform/base/date.h"

namespace vigilix {

class VGXTriggerBridge;
namespace platform {
class UserDefaults;
}

// The actions other programs may run; each makes one call on the hub.
namespace intents {

struct SetKeepAwakeControl {
  bool value = false;
};
// No duration: the default duration.
struct KeepAwake {
  std::optional<double> seconds;
};
struct KeepAwakeUntil {
  platform::Date date;
};
struct StopKeepingAwake {};
// No duration: fifteen minutes.
struct AddTime {
  std::optional<double> seconds;
};
struct GetAwakeState {};
struct KeepAwakeWhileAppRuns {
  std::string appIdentifier;
};
struct KeepAwakeUntilDownloadFinishes {
  std::string path;
};
struct SetAutomaticKeepAwake {
  bool isOn = false;
};
// The raw value of a Focus mode: "off", "whileOnPower" or "keepAwake".
struct SetFocusFilter {
  std::string mode;
};
struct RunningApps {};

using Action =
    std::variant<SetKeepAwakeControl, KeepAwake, KeepAwakeUntil, StopKeepingAwake, AddTime,
                 GetAwakeState, KeepAwakeWhileAppRuns, KeepAwakeUntilDownloadFinishes,
                 SetAutomaticKeepAwake, SetFocusFilter, RunningApps>;

struct Answer {
  std::string dialog{};         // empty for the actions that answer nothing
  std::optional<bool> value{};  // whether the computer is being kept awake
  std::vector<RunningAppEntity> apps{};

  bool operator==(const Answer&) const = default;
};

struct Refusal {
  enum class Kind {
    denied,    // the hub's or the managed policy's text
    pastTime,  // "That time is in the past."
    invalid,   // a parameter that names nothing
  };
  Kind kind;
  std::string text;

  bool operator==(const Refusal&) const = default;
};

using Outcome = std::expected<Answer, Refusal>;

// Runs `action` on the hub (main thread). `defaults` holds the managed
// policy; `applications` is the workspace's list of running applications.
Outcome perform(const Action& action, VGXTriggerBridge& hub, const platform::UserDefaults& defaults,
                const std::vector<platform::RunningApplication>& applications);

// The action of a desktop-entry action ("keep-awake", "stop", "awake-state",
// "add-time", "keep-awake-on", "keep-awake-off"); none for other names.
std::optional<Action> desktopAction(std::string_view name);

// "Keeping your computer awake until 3:05 PM." or, with no end, "... until you turn it off.".
std::string keepingAwakeDialog(std::optional<platform::Date> until);

}  // namespace intents
}  // namespace vigilix
