#include "keepawake/focus_mode.h"

#include <utility>

#include "keepawake/awake_controller.h"
#include "platform/base/localized.h"
#include "platform/base/raw_values.h"
#include "platform/defaults/user_defaults.h"
#include "platform/json/json_reader.h"
#include "platform/json/json_writer.h"
#include "platform/json/value_reader.h"

namespace vigilix {

namespace {

constexpr std::pair<VGXFocusMode, std::string_view> kModeNames[] = {
    {VGXFocusMode::off, "off"},
    {VGXFocusMode::whileOnPower, "whileOnPower"},
    {VGXFocusMode::keepAwake, "keepAwake"}};

}  // namespace

std::optional<VGXFocusMode> focusModeFromRawValue(std::string_view raw) {
  return platform::caseWithRawValue<VGXFocusMode>(kModeNames, raw);
}

std::string_view rawValue(VGXFocusMode mode) { return platform::rawValueIn(kModeNames, mode); }

std::string encodeFocusModeJson(VGXFocusMode mode) {
  // A plain ASCII string always writes.
  return platform::json::write(platform::json::Value(std::string(rawValue(mode)))).value_or("");
}

std::optional<VGXFocusMode> decodeFocusModeJson(std::string_view text) {
  auto raw = platform::json::decode(
      text, [](const platform::json::ValueReader& value) { return value.asString(); });
  if (!raw) return std::nullopt;
  return focusModeFromRawValue(*raw);
}

VGXFocusMode loadFocusMode(const platform::UserDefaults& defaults) {
  const auto stored = defaults.stringValue(kFocusModeDefaultsKey);
  if (!stored) return VGXFocusMode::off;
  return focusModeFromRawValue(*stored).value_or(VGXFocusMode::off);
}

void storeFocusMode(platform::UserDefaults& defaults, VGXFocusMode mode) {
  defaults.set(kFocusModeDefaultsKey, std::string(rawValue(mode)));
}

VGXFocusEvaluation evaluate(VGXFocusMode mode, bool onPower) {
  const bool keep =
      mode == VGXFocusMode::keepAwake || (mode == VGXFocusMode::whileOnPower && onPower);
  if (!keep) return {};
  return {true, TriggerReason::focus(),
          platform::localized("While your Focus is on",
                              "Menu header line while a Focus keeps the computer awake")};
}

bool FocusModeTracker::apply(bool onPower, AwakeController& controller) {
  VGXFocusEvaluation next = evaluate(mode_, onPower);
  const bool changed = !last_ || last_->shouldKeepAwake != next.shouldKeepAwake;
  last_ = std::move(next);
  if (!changed) return false;
  controller.setFocusActive(last_->shouldKeepAwake);
  return true;
}

}  // namespace vigilix
