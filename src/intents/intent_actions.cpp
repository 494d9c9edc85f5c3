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

VigilixIntentError denied(std::string text) {
  return {VigilixIntentError::Kind::denied, std::move(text)};
}

VigilixIntentError invalid(std::string text) {
  return {VigilixIntentError::Kind::invalid, std::move(text)};
}

Answer dialog(std::string text) { return {.dialog = std::move(text)}; }

Answer statusDialog(const VGXTriggerBridge& hub) { return dialog(hub.headerReasonLine()); }

// A number of seconds the hub can take; NaN and infinities name no duration.
std::optional<VigilixIntentError> badSeconds(double seconds) {
  if (std::isfinite(seconds)) return std::nullopt;
  return invalid(platform::localized("The duration must be a number of seconds.",
                                     "Error of an action given no usable duration"));
}

struct Performer {
  VGXTriggerBridge& hub;
  const platform::UserDefaults& defaults;
  const std::vector<platform::RunningApplication>& applications;

  Outcome operator()(const SetKeepAwakeControlIntent& action) const {
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

  Outcome operator()(const KeepAwakeIntent& action) const {
    if (!action.seconds) {
      hub.keepAwakeForDefaultDuration();
    } else {
      if (auto bad = badSeconds(*action.seconds)) return std::unexpected(*bad);
      hub.keepAwakeForDuration(*action.seconds);
    }
    return dialog(keepingAwakeDialog(hub.manualFireDate()));
  }

  Outcome operator()(const KeepAwakeUntilIntent& action) const {
    if (!std::isfinite(action.date.timeIntervalSinceReferenceDate())) {
      return std::unexpected(invalid(platform::localized(
          "The time must be a number of seconds since 1970.", "Error of an action given no time")));
    }
    if (action.date <= platform::Clock::current().now()) {
      return std::unexpected(
          VigilixIntentError{VigilixIntentError::Kind::pastTime,
                             platform::localized("That time is in the past.",
                                                 "Error of an action given a past time")});
    }
    hub.keepAwakeUntil(action.date);
    return dialog(keepingAwakeDialog(hub.manualFireDate()));
  }

  Outcome operator()(const StopKeepingAwakeIntent&) const {
    hub.stopKeepingAwake();
    return statusDialog(hub);
  }

  Outcome operator()(const AddTimeIntent& action) const {
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

  Outcome operator()(const GetAwakeStateIntent&) const {
    Answer answer = statusDialog(hub);
    answer.value = hub.isAwake();
    return answer;
  }

  Outcome operator()(const KeepAwakeWhileAppRunsIntent& action) const {
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

  Outcome operator()(const KeepAwakeUntilDownloadFinishesIntent& action) const {
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

  Outcome operator()(const SetAutomaticKeepAwakeIntent& action) const {
    if (!VGXPolicyGate::canWriteKey(defaults, kTriggersDefaultsKey)) {
      return std::unexpected(denied(
          platform::localized("Managed by your organization.", "Refusal of a managed setting")));
    }
    hub.setAutomationEnabled(action.isOn);
    return statusDialog(hub);
  }

  Outcome operator()(const VigilixFocusFilter& action) const {
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

  Outcome operator()(const RunningAppQuery&) const {
    return Answer{.apps = runningAppEntities(applications)};
  }
};

}  // namespace

Outcome perform(const Action& action, VGXTriggerBridge& hub, const platform::UserDefaults& defaults,
                const std::vector<platform::RunningApplication>& applications) {
  return std::visit(Performer{hub, defaults, applications}, action);
}

std::optional<Action> desktopAction(std::string_view name) {
  if (name == "keep-awake") return KeepAwakeIntent{};
  if (name == "stop") return StopKeepingAwakeIntent{};
  if (name == "awake-state") return GetAwakeStateIntent{};
  if (name == "add-time") return AddTimeIntent{};
  if (name == "keep-awake-on") return SetKeepAwakeControlIntent{true};
  if (name == "keep-awake-off") return SetKeepAwakeControlIntent{false};
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
