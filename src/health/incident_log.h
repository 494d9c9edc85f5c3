#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "health/incident.h"
#include "platform/defaults/user_defaults.h"

namespace vigilix {

inline constexpr const char* kVGXIncidentLogKey = "VGXIncidentLog";

// The last incidents, newest first, at most 20, stored as one data value
// under `key`. Holds nothing in memory but its lock; safe from any thread
// as long as `defaults` is.
//
// A stored value that cannot be read (not data, not JSON, one element bad)
// reads as an empty log and is reported once. The next write keeps it under
// "<key>.damaged-<UTC time>" before storing what that write holds, so an
// unreadable log is never silently lost.
class VGXIncidentLog {
 public:
  static constexpr std::size_t kCapacity = 20;

  VGXIncidentLog(platform::UserDefaults& defaults, std::string key);
  VGXIncidentLog(const VGXIncidentLog&) = delete;
  VGXIncidentLog& operator=(const VGXIncidentLog&) = delete;

  // Readers take this around load().
  std::mutex& lock() const { return lock_; }

  // The stored list sorted newest first (stable: equal dates keep their
  // order), cut to 20. Writes nothing; call with lock() held.
  std::vector<VGXIncident> load() const;

  // Adds one; it comes before stored incidents with the same date.
  void record(const VGXIncident& incident);
  // Marks every stored incident acknowledged (an empty log stores "[]").
  void acknowledgeAll();
  void acknowledge(VGXIncident::Kind kind);
  // An unacknowledged incident whose cause is not `expectedPause`.
  bool hasUnacknowledged() const;

 private:
  // Sorts, cuts and writes `incidents`, keeping an unreadable value aside first.
  void store(std::vector<VGXIncident> incidents);
  // The stored list, or none when a stored value cannot be read.
  std::optional<std::vector<VGXIncident>> read() const;

  platform::UserDefaults& defaults_;
  const std::string key_;
  mutable std::mutex lock_;
  mutable bool damageReported_ = false;
  // The last stored value decoded, and what it held; guarded by lock_. The log is read several
  // times on every change of state (a command-line request's among them), and decoding its
  // JSON cost more than the rest of handling the request. The stored value stays the only
  // truth: any other value is decoded afresh.
  mutable std::optional<std::pair<platform::Bytes, std::vector<VGXIncident>>> decoded_;
};

}  // namespace vigilix
