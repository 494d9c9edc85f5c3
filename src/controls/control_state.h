#pragma once

#include <expected>
#include <optional>
#include <string>

#include "platform/base/date.h"
#include "platform/base/property_value.h"
#include "platform/json/coding_errors.h"

namespace vigilix {

namespace platform {
class UserDefaults;
}

// The keep-awake state shared between the application and its Control Center
// extension through the app-group suite. Both sides link this one type.
// Every operation takes the suite as a pointer: nullptr when it could not be
// opened.
class VGXControlState {
 public:
  static constexpr const char* appGroup = "K9WQ2T7LMB.run.tarvo.vigilix";
  static constexpr const char* defaultsKey = "run.tarvo.vigilix.ControlState";
  static constexpr const char* controlKind = "run.tarvo.vigilix.keep-awake";
  static constexpr const char* requestNotification = "run.tarvo.vigilix.control.request";
  static constexpr const char* requestKey = "run.tarvo.vigilix.ControlRequest";
  static constexpr double requestLifetime = 15.0;
  // How far in the future a request may be stamped (clocks of two processes).
  static constexpr double requestFutureTolerance = 1.0;

  VGXControlState() = default;
  // Keeps `until` only while awake.
  VGXControlState(bool isAwake, std::optional<platform::Date> until);

  bool isAwake() const { return isAwake_; }
  std::optional<platform::Date> until() const { return until_; }

  // The stored state; not awake with no end when there is no suite, no data
  // or data that does not decode. Re-reads the suite first, since the other
  // process may have written it.
  static VGXControlState read(platform::UserDefaults* defaults);
  // Stores this state unless the stored one reads back equal; true when it wrote.
  bool write(platform::UserDefaults* defaults) const;

  // Leaves a request for the application and announces it system-wide; the
  // announcement goes out even without a suite.
  static void postRequest(bool value, platform::Date now, platform::UserDefaults* defaults);
  // Takes the pending request out of the suite; the wanted value when the
  // request is well formed and stamped at most 1 s ahead of and at most 15 s
  // before `now`.
  static std::optional<bool> takeRequest(platform::Date now, platform::UserDefaults* defaults);

  // "Off", "On" or "Until " and the short time, localized.
  std::string valueText() const;

  // The stored form: {"isAwake": Bool, "until": seconds since 2001}; "until"
  // left out when absent. Decoding keeps the fields exactly as found.
  std::expected<platform::Bytes, platform::json::EncodingError> encode() const;
  static std::expected<VGXControlState, platform::json::DecodingError> decode(
      const platform::Bytes& data);

  bool operator==(const VGXControlState&) const = default;

 private:
  bool isAwake_ = false;
  std::optional<platform::Date> until_;
};

}  // namespace vigilix
