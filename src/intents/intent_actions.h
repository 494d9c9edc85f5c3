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

struct SetKeepAwakeControlIntent {
  bool value = false;
};
// No duration: the default duration.
struct KeepAwakeIntent {
  std::optional<double> seconds;
};
struct KeepAwakeUntilIntent {
  platform::Date date;
};
struct StopKeepingAwakeIntent {};
// No duration: fifteen minutes.
struct AddTimeIntent {
  std::optional<double> seconds;
};
struct GetAwakeStateIntent {};
struct KeepAwakeWhileAppRunsIntent {
  std::string appIdentifier;
};
struct KeepAwakeUntilDownloadFinishesIntent {
  std::string path;
};
struct SetAutomaticKeepAwakeIntent {
  bool isOn = false;
};
// The raw value of a Focus mode: "off", "whileOnPower" or "keepAwake".
struct VigilixFocusFilter {
  std::string mode;
};
struct RunningAppQuery {};

using Action = std::variant<SetKeepAwakeControlIntent, KeepAwakeIntent, KeepAwakeUntilIntent,
                            StopKeepingAwakeIntent, AddTimeIntent, GetAwakeStateIntent,
                            KeepAwakeWhileAppRunsIntent, KeepAwakeUntilDownloadFinishesIntent,
                            SetAutomaticKeepAwakeIntent, VigilixFocusFilter, RunningAppQuery>;

struct Answer {
  std::string dialog{};         // empty for the actions that answer nothing
  std::optional<bool> value{};  // whether the computer is being kept awake
  std::vector<RunningAppEntity> apps{};

  bool operator==(const Answer&) const = default;
};

struct VigilixIntentError {
  enum class Kind {
    denied,    // the hub's or the managed policy's text
    pastTime,  // "That time is in the past."
    invalid,   // a parameter that names nothing
  };
  Kind kind;
  std::string text;

  bool operator==(const VigilixIntentError&) const = default;
};

using Outcome = std::expected<Answer, VigilixIntentError>;

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
