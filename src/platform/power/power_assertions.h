#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/property_value.h"

namespace vigilix::platform {

// Result code of a power-management call; 0 is success.
using PowerReturn = std::int32_t;
// Identifies one assertion; 0 means none.
using PowerAssertionID = std::uint32_t;

inline constexpr PowerReturn kPowerReturnSuccess = 0;
inline constexpr PowerReturn kPowerReturnError = static_cast<PowerReturn>(0xE00002BC);
inline constexpr PowerReturn kPowerReturnBadArgument = static_cast<PowerReturn>(0xE00002C2);
inline constexpr PowerReturn kPowerReturnNotFound = static_cast<PowerReturn>(0xE00002F0);

inline constexpr std::int64_t kPowerAssertionLevelOff = 0;
inline constexpr std::int64_t kPowerAssertionLevelOn = 255;

inline constexpr const char* kAssertionTypePreventUserIdleSystemSleep =
    "PreventUserIdleSystemSleep";
inline constexpr const char* kAssertionTypePreventUserIdleDisplaySleep =
    "PreventUserIdleDisplaySleep";

// Keys of an assertion's property dictionary.
inline constexpr const char* kAssertionNameKey = "AssertName";
inline constexpr const char* kAssertionTypeKey = "AssertType";
inline constexpr const char* kAssertionLevelKey = "AssertLevel";

struct PowerAssertionCreateResult {
  PowerReturn result = kPowerReturnError;
  PowerAssertionID assertionID = 0;
  bool operator==(const PowerAssertionCreateResult&) const = default;
};

// Every process's assertions as property dictionaries ("AssertType",
// "AssertLevel", "AssertName", ...), keyed by process id.
struct PowerAssertionsByProcess {
  PowerReturn result = kPowerReturnError;
  std::map<std::int32_t, std::vector<PropertyDictionary>> byProcess;
};

// Power assertions that keep the machine from sleeping while they live: locks
// of a type, under a name. A lock cannot be renamed; `replace` takes another.
// Safe to call from any thread.
class PowerAssertions {
 public:
  virtual ~PowerAssertions() = default;

  virtual PowerAssertionCreateResult createWithName(const std::string& type, std::int64_t level,
                                                    const std::string& name) = 0;
  // Holds `type` under `name` in place of `held`. Nothing is done when `held`
  // is in force with that type and name: the answer is `held`. Otherwise the
  // new lock is asked for before `held` is released, so protection has no
  // gap; when the new one cannot be had, `held` stays as it was.
  PowerAssertionCreateResult replace(PowerAssertionID held, const std::string& type,
                                     const std::string& name);
  // None when the system no longer knows the assertion.
  virtual std::optional<PropertyDictionary> copyProperties(PowerAssertionID assertionID) const = 0;
  virtual PowerReturn release(PowerAssertionID assertionID) = 0;
  virtual PowerAssertionsByProcess copyAssertionsByProcess() const = 0;
  // The listing once every create and release asked for before the call has
  // reached the system, waiting for that at most `maximumWaitSeconds` (then
  // the freshest listing there is). Where the system answers at once, the
  // same as copyAssertionsByProcess.
  virtual PowerAssertionsByProcess copyAssertionsByProcessAfterPendingChanges(
      double /*maximumWaitSeconds*/) const {
    return copyAssertionsByProcess();
  }

  static std::int32_t currentProcessID();

  // The assertions in force: logind inhibitor locks (LogindPowerAssertions)
  // unless a test installed others.
  static PowerAssertions& current();
  // Returns the one it replaced (nullptr: the live one).
  static PowerAssertions* setCurrent(PowerAssertions* assertions);
};

}  // namespace vigilix::platform
