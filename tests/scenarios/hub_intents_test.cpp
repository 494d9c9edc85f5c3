// The actions other programs run: each one's answer or refusal and what it did to the hub.
#include <cmath>
#include <functional>
#include <limits>

#include "core/dzl_keys.h"
#include "hub/trigger_configuration_store.h"
#include "hub_fixture.h"
#include "intents/intent_actions.h"
#include "keepawake/focus_mode.h"
#include "platform/power/thermal_state.h"

namespace vigilix::scenarios {
namespace {

using intents::Answer;
using intents::Outcome;
using intents::VigilixIntentError;

class HubIntentsTest : public HubScenario {
 protected:
  // The Focus mode as the hub last wrote it; off when it wrote none.
  VGXFocusMode storedFocusMode() {
    const auto raw = defaults().stringValue(kFocusModeDefaultsKey);
    return raw ? focusModeFromRawValue(*raw).value_or(VGXFocusMode::off) : VGXFocusMode::off;
  }
};

TEST_F(HubIntentsTest, EachActionAnswersOrRefusesAndChangesTheHubAccordingly) {
  struct Row {
    const char* name;
    std::function<void()> arrange;
    std::function<intents::Action()> action;
    std::function<Outcome()> expected;
    std::function<bool()> effect;
  };
  const auto hot = [this] {
    platform.power.thermal.setThermalState(platform::ThermalState::Serious);
    platform.runUntilIdle();
  };
  const auto forcedDuration = [this] {
    platform.defaults.standard().setForced(kDZLTimeIntervalKey, 600);
  };
  const auto awake = [this] { hub->keepAwakeIndefinitely(); };
  const auto tenMinutes = [this] { hub->keepAwakeForDuration(600); };
  const auto endsIn = [this](double offset) {
    return [this, offset] {
      const auto end = hub->manualFireDate();
      return end && *end - now() == offset;
    };
  };
  const auto untilIn = [this](double offset) {
    return [this, offset] { return Outcome(Answer{intents::keepingAwakeDialog(now() + offset)}); };
  };
  const auto refused = [](VigilixIntentError::Kind kind, const char* text) {
    return [kind, text] { return Outcome(std::unexpected(VigilixIntentError{kind, text})); };
  };
  const auto status = [this] { return Outcome(Answer{hub->headerReasonLine()}); };
  const auto nothing = [] { return Outcome(Answer{}); };
  const auto asleep = [this] { return !hub->isManualSession(); };
  const auto indefinite = [this] { return hub->isManualSession() && !hub->manualFireDate(); };
  const auto untilOff = [] {
    return Outcome(Answer{"Keeping your computer awake until you turn it off."});
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  bool automationBefore = false;
  const char* hotText = "Paused because your computer is hot";
  const char* managed = "Managed by your organization.";
  const char* noTimedSession =
      "Time can only be added while a timed keep-awake session is running.";

  const Row rows[] = {
      {"keep awake, no duration: the default duration",
       [this] { defaults().set(kDZLTimeIntervalKey, 600); },
       [] { return intents::KeepAwakeIntent{}; }, untilIn(600), endsIn(600)},
      {"keep awake for 0 s: without an end", [] {}, [] { return intents::KeepAwakeIntent{0.0}; },
       untilOff, indefinite},
      {"keep awake for NaN s: refused", [] {}, [nan] { return intents::KeepAwakeIntent{nan}; },
       refused(VigilixIntentError::Kind::invalid, "The duration must be a number of seconds."),
       asleep},
      {"keep awake until now: past", [] {}, [this] { return intents::KeepAwakeUntilIntent{now()}; },
       refused(VigilixIntentError::Kind::pastTime, "That time is in the past."), asleep},
      {"keep awake until an hour ahead", [] {},
       [this] { return intents::KeepAwakeUntilIntent{now() + 3600}; }, untilIn(3600), endsIn(3600)},
      {"add time without a session", [] {}, [] { return intents::AddTimeIntent{}; },
       [=] { return Outcome(Answer{noTimedSession}); }, asleep},
      {"add time to an endless session", awake, [] { return intents::AddTimeIntent{60.0}; },
       [=] { return Outcome(Answer{noTimedSession}); }, indefinite},
      {"add time, no duration: 15 minutes", tenMinutes, [] { return intents::AddTimeIntent{}; },
       untilIn(1500), endsIn(1500)},
      {"add 60 s", tenMinutes, [] { return intents::AddTimeIntent{60.0}; }, untilIn(660),
       endsIn(660)},
      {"add NaN s: refused", tenMinutes, [nan] { return intents::AddTimeIntent{nan}; },
       refused(VigilixIntentError::Kind::invalid, "The duration must be a number of seconds."),
       endsIn(600)},
      {"control on", [] {}, [] { return intents::SetKeepAwakeControlIntent{true}; }, nothing,
       indefinite},
      {"control on while hot", hot, [] { return intents::SetKeepAwakeControlIntent{true}; },
       refused(VigilixIntentError::Kind::denied, hotText), asleep},
      {"control on, duration forced", forcedDuration,
       [] { return intents::SetKeepAwakeControlIntent{true}; },
       refused(VigilixIntentError::Kind::denied, managed), asleep},
      {"control off, duration forced",
       [=] {
         awake();
         forcedDuration();
       },
       [] { return intents::SetKeepAwakeControlIntent{false}; },
       refused(VigilixIntentError::Kind::denied, managed), indefinite},
      {"stop, duration forced: stops",
       [=] {
         awake();
         forcedDuration();
       },
       [] { return intents::StopKeepingAwakeIntent{}; }, status, asleep},
      {"is it kept awake: yes", awake, [] { return intents::GetAwakeStateIntent{}; },
       [this] { return Outcome(Answer{.dialog = hub->headerReasonLine(), .value = true}); },
       indefinite},
      {"is it kept awake: no", [] {}, [] { return intents::GetAwakeStateIntent{}; },
       [this] { return Outcome(Answer{.dialog = hub->headerReasonLine(), .value = false}); },
       asleep},
      {"automatic keep-awake off", [] {},
       [] { return intents::SetAutomaticKeepAwakeIntent{false}; }, status,
       [this] { return !hub->isAutomationEnabled(); }},
      {"automatic keep-awake, triggers forced",
       [this] { platform.defaults.standard().setForced(kTriggersDefaultsKey, platform::Bytes{}); },
       [&] {
         automationBefore = hub->isAutomationEnabled();
         return intents::SetAutomaticKeepAwakeIntent{!automationBefore};
       },
       refused(VigilixIntentError::Kind::denied, managed),
       [&] { return hub->isAutomationEnabled() == automationBefore; }},
      {"focus filter keepAwake", [] {}, [] { return intents::VigilixFocusFilter{"keepAwake"}; },
       nothing, [this] { return storedFocusMode() == VGXFocusMode::keepAwake; }},
      {"focus filter off still reaches the hub",
       [this] { hub->setFocusMode(VGXFocusMode::keepAwake); },
       [] { return intents::VigilixFocusFilter{"off"}; }, nothing,
       [this] { return storedFocusMode() == VGXFocusMode::off; }},
      {"focus filter with an unknown mode", [] {},
       [] { return intents::VigilixFocusFilter{"KeepAwake"}; },
       refused(VigilixIntentError::Kind::invalid,
               "Unknown mode \"KeepAwake\": use off, whileOnPower or keepAwake."),
       [this] { return storedFocusMode() == VGXFocusMode::off; }},
      {"download with no file", [] {},
       [] { return intents::KeepAwakeUntilDownloadFinishesIntent{""}; },
       [] { return Outcome(Answer{"Vigilix couldn’t open that file."}); },
       [this] { return hub->activeWatches().empty(); }},
      {"download the hub refuses: nothing started", [] {},
       [] { return intents::KeepAwakeUntilDownloadFinishesIntent{"/nowhere/file.part"}; },
       [] { return Outcome(Answer{"This download couldn’t be watched."}); },
       [this] { return hub->activeWatches().empty(); }},
      {"an application that is not running", [] {},
       [] { return intents::KeepAwakeWhileAppRunsIntent{"org.example.Absent"}; },
       refused(VigilixIntentError::Kind::invalid,
               "No running application has the identifier org.example.Absent."),
       [this] { return hub->activeWatches().empty(); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // Each row on a machine of its own making: nothing kept from the one before.
    hub.reset();
    for (const char* key : {kDZLTimeIntervalKey, kTriggersDefaultsKey}) {
      platform.defaults.standard().removeForced(key);
      defaults().remove(key);
    }
    defaults().remove(VGXTriggerBridge::awakeStateDefaultsKey);
    defaults().remove(kFocusModeDefaultsKey);
    platform.power.thermal.setThermalState(platform::ThermalState::Nominal);
    startHub();
    row.arrange();
    const Outcome outcome = intents::perform(row.action(), *hub, defaults(), {});
    EXPECT_EQ(outcome, row.expected());
    EXPECT_TRUE(row.effect());
  }
}

}  // namespace
}  // namespace vigilix::scenarios
