#pragma once

#include <cstdint>
#include <optional>

#include "platform/base/date.h"
#include "triggers/trigger_reason.h"

namespace vigilix {

// The manual keep-awake session. Accessors of a payload the case does not
// carry answer zero values; read `kind()` first.
class ManualSessionKind {
 public:
  enum class Kind { duration, until, none, indefinite };

  ManualSessionKind() = default;  // none

  // A timed session of `total` seconds that began at `startedAt`.
  static ManualSessionKind duration(double total, platform::Date startedAt) {
    return ManualSessionKind(Kind::duration, total, startedAt);
  }
  // Keep awake until `date`.
  static ManualSessionKind until(platform::Date date) {
    return ManualSessionKind(Kind::until, 0, date);
  }
  static ManualSessionKind none() { return ManualSessionKind(); }
  static ManualSessionKind indefinite() { return ManualSessionKind(Kind::indefinite, 0, {}); }

  Kind kind() const { return kind_; }
  bool isNone() const { return kind_ == Kind::none; }
  // `duration`: its length in seconds.
  double total() const { return total_; }
  // `duration`: when it began.
  platform::Date startedAt() const { return kind_ == Kind::duration ? date_ : platform::Date(); }
  // `until`: its end.
  platform::Date date() const { return kind_ == Kind::until ? date_ : platform::Date(); }

  bool operator==(const ManualSessionKind&) const = default;

 private:
  ManualSessionKind(Kind kind, double total, platform::Date date)
      : kind_(kind), total_(total), date_(date) {}

  Kind kind_ = Kind::none;
  double total_ = 0;
  platform::Date date_;
};

// The pause of automatic keep-awake.
class TriggerPause {
 public:
  enum class Kind { until, none, untilResumed };

  TriggerPause() = default;  // none

  static TriggerPause until(platform::Date date) { return TriggerPause(Kind::until, date); }
  static TriggerPause none() { return TriggerPause(); }
  static TriggerPause untilResumed() { return TriggerPause(Kind::untilResumed, {}); }

  Kind kind() const { return kind_; }
  bool isNone() const { return kind_ == Kind::none; }
  // `until`: when the pause ends.
  platform::Date date() const { return date_; }

  bool operator==(const TriggerPause&) const = default;

 private:
  TriggerPause(Kind kind, platform::Date date) : kind_(kind), date_(date) {}

  Kind kind_ = Kind::none;
  platform::Date date_;
};

// The status the interface shows first.
class AwakeStatus {
 public:
  enum class Kind {
    manualUntil,
    automatic,
    idle,
    manualIndefinite,
    blockedByBattery,
    blockedByHeat,
  };

  AwakeStatus() = default;  // idle

  // A manual session with an end; the payload is its deadline.
  static AwakeStatus manualUntil(platform::Date deadline) {
    AwakeStatus status(Kind::manualUntil);
    status.date_ = deadline;
    return status;
  }
  // Kept awake automatically; the payload is the first active reason.
  static AwakeStatus automatic(TriggerReason reason) {
    AwakeStatus status(Kind::automatic);
    status.reason_ = std::move(reason);
    return status;
  }
  static AwakeStatus idle() { return AwakeStatus(); }
  static AwakeStatus manualIndefinite() { return AwakeStatus(Kind::manualIndefinite); }
  static AwakeStatus blockedByBattery() { return AwakeStatus(Kind::blockedByBattery); }
  static AwakeStatus blockedByHeat() { return AwakeStatus(Kind::blockedByHeat); }

  Kind kind() const { return kind_; }
  // `manualUntil`: the deadline.
  platform::Date date() const { return date_; }
  // `automatic`: the reason; none for every other case.
  const std::optional<TriggerReason>& reason() const { return reason_; }

  bool operator==(const AwakeStatus&) const = default;

 private:
  explicit AwakeStatus(Kind kind) : kind_(kind) {}

  Kind kind_ = Kind::idle;
  platform::Date date_;
  std::optional<TriggerReason> reason_;
};

// The published keep-awake state. Built only by AwakeController::snapshot;
// a snapshot made from the first four fields has no agents.
struct AwakeSnapshot {
  bool isAwake = false;
  AwakeStatus primary;
  std::optional<TriggerReason> alsoActive;
  TriggerPause pause;
  int agentCount = 0;

  bool operator==(const AwakeSnapshot&) const = default;
};

}  // namespace vigilix
