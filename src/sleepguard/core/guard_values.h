#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/property_value.h"
#include "platform/power/thermal_state.h"

namespace vigilix {

// Plain values shared by the sleep guard, its collaborators and its clients.
// All of them are copyable, thread-agnostic and compare field by field.

// One reading of the power and thermal sensors. `takenAt` is the guard
// clock's continuous nanoseconds; `chargePercent` is 0...100 when valid.
struct VGXSensorSample {
  std::uint64_t takenAt = 0;
  bool onBattery = false;
  std::int64_t chargePercent = 0;
  platform::ThermalState thermal = platform::ThermalState::Nominal;
  bool operator==(const VGXSensorSample&) const = default;
};

// The limits of one user's hold. Caps are seconds; a negative cap counts as 0.
struct VGXGuardPolicy {
  bool disabled = false;
  std::int64_t batteryFloorPercent = 0;
  std::int64_t batteryCapSeconds = 0;
  std::int64_t totalCapSeconds = 0;
  bool operator==(const VGXGuardPolicy&) const = default;
};

// Which record of the guard's state directory. `uid` is meaningful only for
// `safety` and is 0 otherwise.
struct VGXGuardFile {
  enum class Kind { safety, journal, maintenance, install };
  Kind kind = Kind::journal;
  std::uint32_t uid = 0;

  static VGXGuardFile safety(std::uint32_t uid) { return {Kind::safety, uid}; }
  static VGXGuardFile journal() { return {Kind::journal, 0}; }
  static VGXGuardFile maintenance() { return {Kind::maintenance, 0}; }
  static VGXGuardFile install() { return {Kind::install, 0}; }

  // "safety-501.json", "journal.json", "maintenance.json", "install.json".
  std::string fileName() const;
  bool operator==(const VGXGuardFile&) const = default;
};

// The outcome of reading a record: its bytes, a file that exists but could
// not be read safely (`error`), an unusable state directory (`storeError`),
// or no such file. `bytes` is set only for `data`, `text` only for the two
// failures.
struct VGXFileRead {
  enum class Kind { data, error, storeError, absent };
  Kind kind = Kind::absent;
  platform::Bytes bytes;
  std::string text;

  static VGXFileRead data(platform::Bytes bytes) { return {Kind::data, std::move(bytes), {}}; }
  static VGXFileRead error(std::string text) { return {Kind::error, {}, std::move(text)}; }
  static VGXFileRead storeError(std::string text) {
    return {Kind::storeError, {}, std::move(text)};
  }
  static VGXFileRead absent() { return {Kind::absent, {}, {}}; }
  bool operator==(const VGXFileRead&) const = default;
};

// The error of every guard operation. Only `unsafe` and `io` carry a text;
// equality compares the case and that text.
struct VGXGuardError {
  enum class Kind {
    unsafe,
    io,
    alreadyDisabled,
    policyDenied,
    budgetExhausted,
    inUseByAnotherUser,
    stale,
    maintenance,
    clearFailed,
    draining,
    notHeld
  };
  Kind kind = Kind::io;
  std::string text;

  static VGXGuardError unsafe(std::string text) { return {Kind::unsafe, std::move(text)}; }
  static VGXGuardError io(std::string text) { return {Kind::io, std::move(text)}; }
  static VGXGuardError alreadyDisabled() { return {Kind::alreadyDisabled, {}}; }
  static VGXGuardError policyDenied() { return {Kind::policyDenied, {}}; }
  static VGXGuardError budgetExhausted() { return {Kind::budgetExhausted, {}}; }
  static VGXGuardError inUseByAnotherUser() { return {Kind::inUseByAnotherUser, {}}; }
  static VGXGuardError stale() { return {Kind::stale, {}}; }
  static VGXGuardError maintenance() { return {Kind::maintenance, {}}; }
  static VGXGuardError clearFailed() { return {Kind::clearFailed, {}}; }
  static VGXGuardError draining() { return {Kind::draining, {}}; }
  static VGXGuardError notHeld() { return {Kind::notHeld, {}}; }

  // An error reported as io by an operation that wraps failures: an io error
  // stays as it is (never io("io(\"...\")")), any other becomes io carrying
  // its textual form.
  static VGXGuardError asIO(const VGXGuardError& error);
  // io carrying a failure text from a collaborator. A text that already is
  // the textual form of an io error (io("...")) gives that error back.
  static VGXGuardError ioFromText(std::string text);

  // The case name as written in code ("inUseByAnotherUser").
  std::string_view name() const;
  // The default textual form: unsafe("heat"), io("a \"quoted\" text"), bare
  // name for the cases without payload. Quotes, backslashes and control
  // characters in the text are escaped.
  std::string description() const;

  bool operator==(const VGXGuardError& other) const;
};

// The guard's state. `uid` is meaningful only for `held` and is 0 otherwise.
struct VGXGuardState {
  enum class Kind { held, idle, clearFailed, draining };
  Kind kind = Kind::idle;
  std::uint32_t uid = 0;

  static VGXGuardState held(std::uint32_t uid) { return {Kind::held, uid}; }
  static VGXGuardState idle() { return {Kind::idle, 0}; }
  static VGXGuardState clearFailed() { return {Kind::clearFailed, 0}; }
  static VGXGuardState draining() { return {Kind::draining, 0}; }

  bool isHeld() const { return kind == Kind::held; }
  bool isHeldBy(std::uint32_t user) const { return kind == Kind::held && uid == user; }
  bool operator==(const VGXGuardState&) const = default;
};

// A safety stop that stays in force until the user re-arms.
enum class VGXGuardLatch { heat, battery, batteryCap, totalCap, externallyCleared, policy };
// "heat", "battery", "batteryCap", "totalCap", "externallyCleared", "policy".
std::string_view rawValue(VGXGuardLatch latch);
// Exact, case-sensitive match of the raw texts; none for anything else.
std::optional<VGXGuardLatch> guardLatchFromRawValue(std::string_view raw);

// What the guard reports. `lastReadback` true means sleep is disabled; it is
// none when never read or when the last read-back failed. Times are
// continuous nanoseconds.
struct VGXGuardStatus {
  VGXGuardState state = VGXGuardState::idle();
  std::optional<bool> lastReadback;
  std::optional<std::uint64_t> lastReadbackAt;
  std::optional<VGXGuardLatch> latch;
  std::string guardVersion;

  static VGXGuardStatus initial(std::string guardVersion) {
    return {VGXGuardState::idle(), std::nullopt, std::nullopt, std::nullopt,
            std::move(guardVersion)};
  }
  bool operator==(const VGXGuardStatus&) const = default;
};

// The lease handed to a client: the guard process's instance UUID text, the
// hold counter, a fresh UUID text per grant, and the lease length in seconds.
struct VGXHoldGrant {
  std::string guardInstanceID;
  std::int64_t generation = 0;
  std::string token;
  std::int64_t leaseSeconds = 0;
  bool operator==(const VGXHoldGrant&) const = default;
};

}  // namespace vigilix

template <>
struct std::hash<vigilix::VGXGuardFile> {
  std::size_t operator()(const vigilix::VGXGuardFile& file) const noexcept;
};
