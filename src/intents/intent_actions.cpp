#include "intents/intent_actions.h"

#include <cmath>

#include "hub/trigger_bridge.h"
#include "hub/trigger_configuration_store.h"
#include "keepawake/focus_mode.h"
#include "keepawake/policy_action.h"
#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/locale/date_formatter.h"
#include "platform/runloop/clock.h"
#include "policy/policy_gate.h"

namespace vigilix::intents {

namespace {

constexpr double kDefaultAddedSeconds = 900;

Refusal denied(std::string text) { return {Refusal::Kind::denied, std::move(text)}; }

Refusal invalid(std::string text) { return {Refusal::Kind::invalid, std::move(text)}; }

Answer dialog(std::string text) { return {.dialog = std::move(text)}; }

Answer statusDialog(const VGXTriggerBridge& hub) { return dialog(hub.headerReasonLine()); }

// A number of seconds the hub can take; NaN and infinities name no duration.
std::optional<Refusal> badSeconds(double seconds) {
  if (std::isfinite(seconds)) return std::nullopt;
  return invalid(platform::localized("The duration must be a number of seconds.",
                                     "Error of an action given no usable duration"));
}

struct Performer {
  VGXTriggerBridge& hub;
  const platform::UserDefaults& defaults;
  const std::vector<platform::RunningApplication>& applications;

  Outcome operator()(const SetKeepAwakeControl& action) const {
    const auto refusal =
        action.value ? VGXKeepAwakeActionPolicy::refusalReason(defaults, hub.isHeatBlocked())
                     : VGXKeepAwakeActionPolicy::managedFooter(defaults);
    if (refusal) return std::unexpected(denied(*refusal));
    if (action.value) {
      hub.keepAwakeForDefaultDuration();
    } else {
      hub.stopKeepingAwake();
    }
    return Answer{};
  }

  Outcome operator()(const KeepAwake& action) const {
    if (!action.seconds) {
      hub.keepAwakeForDefaultDuration();
    } else {
      if (auto bad = badSeconds(*action.seconds)) return std::unexpected(*bad);
      hub.keepAwakeForDuration(*action.seconds);
    }
    return dialog(keepingAwakeDialog(hub.manualFireDate()));
  }

  Outcome operator()(const KeepAwakeUntil& action) const {
    if (!std::isfinite(action.date.timeIntervalSinceReferenceDate())) {
      return std::unexpected(invalid(platform::localized(
          "The time must be a number of seconds since 1970.", "Error of an action given no time")));
    }
    if (action.date <= platform::Clock::current().now()) {
      return std::unexpected(Refusal{Refusal::Kind::pastTime,
                                     platform::localized("That time is in the past.",
                                                         "Error of an action given a past time")});
    }
    hub.keepAwakeUntil(action.date);
    return dialog(keepingAwakeDialog(hub.manualFireDate()));
  }

  Outcome operator()(const StopKeepingAwake&) const {
    hub.stopKeepingAwake();
    return statusDialog(hub);
  }

  Outcome operator()(const AddTime& action) const {
    if (!hub.manualFireDate()) {
      return dialog(
          platform::localized("Time can only be added while a timed keep-awake session is running.",
                              "Answer of adding time without a timed session"));
    }
    const double seconds = action.seconds.value_or(kDefaultAddedSeconds);
    if (auto bad = badSeconds(seconds)) return std::unexpected(*bad);
    hub.extendManualSessionBy(seconds);
    return dialog(keepingAwakeDialog(hub.manualFireDate()));
  }

  Outcome operator()(const GetAwakeState&) const {
    Answer answer = statusDialog(hub);
    answer.value = hub.isAwake();
    return answer;
  }

  Outcome operator()(const KeepAwakeWhileAppRuns& action) const {
    const auto found = runningAppEntities(applications, {action.appIdentifier});
    if (found.empty()) {
      return std::unexpected(invalid(platform::fillPlaceholders(
          platform::localized("No running application has the identifier %@.",
                              "Error of an action naming no running application"),
          {action.appIdentifier})));
    }
    hub.watchAppWithProcessIdentifier(found.front().processIdentifier);
    return statusDialog(hub);
  }

  Outcome operator()(const KeepAwakeUntilDownloadFinishes& action) const {
    if (action.path.empty()) {
      return dialog(platform::localized("Vigilix couldn’t open that file.",
                                        "Answer of a download action given no file"));
    }
    // A refused watch must not read as started.
    if (!hub.watchFileAt(action.path)) {
      return dialog(platform::localized("This download couldn’t be watched.",
                                        "Answer of a download action the hub refused"));
    }
    return statusDialog(hub);
  }

  Outcome operator()(const SetAutomaticKeepAwake& action) const {
    if (!VGXPolicyGate::canWriteKey(defaults, kTriggersDefaultsKey)) {
      return std::unexpected(denied(
          platform::localized("Managed by your organization.", "Refusal of a managed setting")));
    }
    hub.setAutomationEnabled(action.isOn);
    return statusDialog(hub);
  }

  Outcome operator()(const SetFocusFilter& action) const {
    const auto mode = focusModeFromRawValue(action.mode);
    if (!mode) {
      return std::unexpected(invalid(platform::fillPlaceholders(
          platform::localized("Unknown mode \"%@\": use off, whileOnPower or keepAwake.",
                              "Error of the Focus filter given an unknown mode"),
          {action.mode})));
    }
    hub.setFocusMode(*mode);
    return Answer{};
  }

  Outcome operator()(const RunningApps&) const {
    return Answer{.apps = runningAppEntities(applications)};
  }
};

}  // namespace

Outcome perform(const Action& action, VGXTriggerBridge& hub, const platform::UserDefaults& defaults,
                const std::vector<platform::RunningApplication>& applications) {
  return std::visit(Performer{hub, defaults, applications}, action);
}

std::optional<Action> desktopAction(std::string_view name) {
  if (name == "keep-awake") return KeepAwake{};
  if (name == "stop") return StopKeepingAwake{};
  if (name == "awake-state") return GetAwakeState{};
  if (name == "add-time") return AddTime{};
  if (name == "keep-awake-on") return SetKeepAwakeControl{true};
  if (name == "keep-awake-off") return SetKeepAwakeControl{false};
  return std::nullopt;
}

std::string keepingAwakeDialog(std::optional<platform::Date> until) {
  if (!until) {
    return platform::localized("Keeping your computer awake until you turn it off.",
                               "Answer of an action that started keep-awake without an end");
  }
  platform::DateFormatter formatter;
  formatter.setDateStyle(platform::DateFormatStyle::noStyle);
  formatter.setTimeStyle(platform::DateFormatStyle::shortStyle);
  return platform::fillPlaceholders(
      platform::localized("Keeping your computer awake until %@.",
                          "Answer of an action that started keep-awake; %@ "
                          "is the end time"),
      {formatter.stringFromDate(*until)});
}

}  // namespace vigilix::intents
