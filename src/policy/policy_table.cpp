#include "policy/policy_table.h"

namespace vigilix::VGXPolicy {

namespace {

using Type = VGXPolicyValueType;
using Strictness = VGXPolicyStrictness;

std::vector<VGXPolicyKey> buildTable() {
  return {
      {"run.tarvo.vigilix.ActivateOnLaunch", Type::Bool, Strictness::None,
       "Start keeping awake when the app launches; default false."},
      {"run.tarvo.vigilix.AllowDisplaySleep", Type::Bool, Strictness::TrueIsStricter,
       "Allow the display to sleep; default true."},
      {"run.tarvo.vigilix.MenuBarIconHighlightDisabled", Type::Bool, Strictness::None,
       "Disable menu bar icon highlighting."},
      {"run.tarvo.vigilix.PreReleaseUpdatesEnabled", Type::Bool, Strictness::None,
       "Include prerelease app updates."},
      {"run.tarvo.vigilix.IsQuitOnTimerExpirationEnabled", Type::Bool, Strictness::None,
       "Quit when a timed session expires."},
      {"run.tarvo.vigilix.ActivateOnExternalDisplayConnectedEnabled", Type::Bool, Strictness::None,
       "Legacy external display activation preference."},
      {"run.tarvo.vigilix.DeactivateOnUserSwitchEnabled", Type::Bool, Strictness::TrueIsStricter,
       "End the manual session on user switch."},
      {"run.tarvo.vigilix.BatteryCapacityThresholdEnabled", Type::Bool, Strictness::TrueIsStricter,
       "Enable battery protection; default false."},
      {"run.tarvo.vigilix.LowPowerModeMonitoringEnabled", Type::Bool, Strictness::TrueIsStricter,
       "Stop keeping awake in Low Power Mode."},
      {"run.tarvo.vigilix.ClickToKeepAwake", Type::Bool, Strictness::None,
       "Click the menu bar icon to toggle keep-awake."},
      {"run.tarvo.vigilix.BatteryCapacityThreshold", Type::Double, Strictness::HigherIsStricter,
       "Battery protection floor in percent; minimum 10, default 20."},
      {"run.tarvo.vigilix.Triggers", Type::Data, Strictness::None,
       "Whole JSON trigger configuration: isEnabled, appBundleIdentifiers, "
       "frontmostOnlyBundleIdentifiers, whenOnPowerAdapter, whenExternalDisplayConnected, "
       "networkThresholdBytesPerSecond, cpuThresholdPercent, wifiNetworkNames, schedule "
       "(weekdays, startMinute, endMinute), sustainSeconds, duringCalls, whileAudioPlaying, "
       "diskThresholdBytesPerSecond, onlyWhileOnPower, whileTimeMachineBacksUp. Also accepts a "
       "JSON string."},
      {"run.tarvo.vigilix.AwakeState", Type::Data, Strictness::None,
       "JSON manual session and automation pause state."},
      {"run.tarvo.vigilix.DidShowWelcome", Type::Bool, Strictness::None,
       "Whether onboarding has been shown."},
      {"run.tarvo.vigilix.LastSettingsPane", Type::String, Strictness::None,
       "Last selected settings pane."},
      {"run.tarvo.vigilix.NotifyOnAwakeStateChange", Type::Bool, Strictness::None,
       "Notify when keep-awake changes."},
      {"run.tarvo.vigilix.ShowTimeLeftInMenuBar", Type::Bool, Strictness::None,
       "Show remaining duration in the menu bar; default true."},
      {"run.tarvo.vigilix.GlobalShortcut", Type::Data, Strictness::None,
       "Property-list dictionary containing the global shortcut key code and modifiers."},
      {"run.tarvo.vigilix.DidMigrateExternalDisplayTrigger", Type::Bool, Strictness::None,
       "Legacy external display migration marker."},
      {"run.tarvo.vigilix.Watches", Type::Data, Strictness::None,
       "Legacy JSON watch configuration; retained during migration."},
      {"run.tarvo.vigilix.WatchBookmarks", Type::Data, Strictness::None,
       "Legacy property-list dictionary of watch IDs to security-scoped bookmark data."},
      {"run.tarvo.vigilix.SavedWatches", Type::Data, Strictness::None,
       "JSON saved watch IDs, labels, bookmarks and active, suspended or stopped state."},
      {"run.tarvo.vigilix.FocusMode", Type::String, Strictness::None, "Focus filter mode."},
      {"run.tarvo.vigilix.TimeInterval", Type::Int, Strictness::None,
       "Default manual duration in seconds; zero means indefinite."},
      {"run.tarvo.vigilix.ControlState", Type::Data, Strictness::None,
       "App-group JSON Control Center state."},
      {"run.tarvo.vigilix.ControlRequest", Type::Data, Strictness::None,
       "App-group property-list dictionary of a requested toggle and timestamp."},
      {"run.tarvo.vigilix.LaunchAtLogin", Type::Bool, Strictness::None,
       "Legacy login-item preference."},
      {"run.tarvo.vigilix.Durations", Type::Data, Strictness::None, "Saved duration choices."},
      {"VGXDisableClosedLidMode", Type::Bool, Strictness::TrueIsStricter,
       "Disable closed-lid mode."},
      {"VGXClosedLidBatteryFloor", Type::Int, Strictness::HigherIsStricter,
       "Closed-lid battery floor, 20\u201360 percent."},
      {"VGXClosedLidBatteryCapHours", Type::Int, Strictness::LowerIsStricter,
       "Closed-lid battery exposure cap, 1\u20136 hours."},
      {"VGXDisableChatPresence", Type::Bool, Strictness::TrueIsStricter, "Disable chat presence."},
      {"VGXDisableAgentHooks", Type::Bool, Strictness::TrueIsStricter,
       "Disable agent hooks and holds."},
      {"VGXDisableTimeMachineTrigger", Type::Bool, Strictness::TrueIsStricter,
       "Disable the backup trigger."},
      {"VGXStopWhenHot", Type::Bool, Strictness::TrueIsStricter,
       "Stop when thermal state is serious or critical; default true."},
      {"VGXRestartTimerOnActivity", Type::Bool, Strictness::None,
       "Restart duration timers on real user activity; default false."},
  };
}

}  // namespace

const std::vector<VGXPolicyKey>& keys() {
  static const std::vector<VGXPolicyKey> table = buildTable();
  return table;
}

const VGXPolicyKey* key(std::string_view named) {
  for (const VGXPolicyKey& row : keys()) {
    if (row.name == named) return &row;
  }
  return nullptr;
}

}  // namespace vigilix::VGXPolicy
