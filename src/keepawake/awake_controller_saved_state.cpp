#include "keepawake/awake_controller.h"

namespace vigilix {

PersistentState AwakeController::persistentState() const {
  PersistentState state;
  switch (pause_.kind()) {
    case TriggerPause::Kind::until:
      state.kind = "until";
      state.until = pause_.date();
      break;
    case TriggerPause::Kind::none:
      state.kind = "none";
      break;
    case TriggerPause::Kind::untilResumed:
      state.kind = "untilResumed";
      break;
  }
  state.manualKind = manual_;
  state.deadline = durationDeadline_;
  return state;
}

platform::Bytes AwakeController::encodedState() const {
  return encodePersistentState(persistentState()).value_or(platform::Bytes{});
}

std::expected<AwakeController, platform::json::DecodingError> AwakeController::restore(
    const PersistentState& state, platform::Date now, double batteryThreshold) {
  AwakeController controller(now, batteryThreshold);
  // Without a time to compare with, nothing saved can be known to be still running.
  if (!now.isFinite()) return controller;

  if (state.kind == "until") {
    if (state.until && *state.until > now) controller.pause_ = TriggerPause::until(*state.until);
  } else if (state.kind == "untilResumed") {
    controller.pause_ = TriggerPause::untilResumed();
  }

  if (state.manualKind) {
    controller.manual_ = *state.manualKind;
  } else if (state.deadline) {
    controller.manual_ = ManualSessionKind::until(*state.deadline);
  }
  controller.durationDeadline_ = state.deadline;

  // Finite numbers whose sum overflows: such a session would never end and
  // could never be saved again.
  if (const auto& manual = controller.manual_; manual.kind() == ManualSessionKind::Kind::duration &&
                                               !(manual.startedAt() + manual.total()).isFinite()) {
    return std::unexpected(platform::json::DecodingError{
        platform::json::DecodingError::Kind::dataCorrupted,
        {"manualKind", "duration"},
        "The session's end (startedAt + total) is not a finite date."});
  }

  // Drops a session that ended while the application was not running.
  controller.tick(now);
  return controller;
}

std::expected<AwakeController, platform::json::DecodingError> AwakeController::restore(
    const platform::Bytes& data, platform::Date now, double batteryThreshold) {
  auto state = decodePersistentState(data);
  if (!state) return std::unexpected(state.error());
  return restore(*state, now, batteryThreshold);
}

}  // namespace vigilix
