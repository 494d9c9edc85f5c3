#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "triggers/trigger_schedule.h"

namespace vigilix {

// The user's automatic keep-awake rules. A plain value; field order is also
// the key order of the stored JSON form.
struct TriggerConfiguration {
  // Master switch of automatic keep-awake.
  bool isEnabled = false;
  // Keep awake while one of these runs (compared ignoring case).
  std::vector<std::string> appBundleIdentifiers;
  bool whenOnPowerAdapter = false;
  bool whenExternalDisplayConnected = false;
  // Each threshold rule is on exactly when its threshold is set.
  std::optional<double> networkThresholdBytesPerSecond;
  std::optional<double> cpuThresholdPercent;
  // Exact names.
  std::vector<std::string> wifiNetworkNames;
  std::optional<TriggerSchedule> schedule;
  // How long a threshold condition must hold before it switches; 0 or less = at once.
  double sustainSeconds = 30;
  // Those entries of appBundleIdentifiers that count only while frontmost.
  std::vector<std::string> frontmostOnlyBundleIdentifiers;
  bool duringCalls = false;
  bool whileAudioPlaying = false;
  std::optional<double> diskThresholdBytesPerSecond;
  // Gate: no automatic reason at all while on battery.
  bool onlyWhileOnPower = false;
  // Evaluated by the hub, not by the engine.
  bool whileTimeMachineBacksUp = false;

  // Everything off, sustain 30 s; built once and shared.
  static const TriggerConfiguration& defaultConfiguration();

  bool operator==(const TriggerConfiguration&) const = default;
};

}  // namespace vigilix
