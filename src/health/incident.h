#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/date.h"
#include "platform/base/property_value.h"
#include "platform/json/coding_errors.h"

namespace vigilix {

// A moment when keep-awake did not hold. Plain value; any thread.
struct VGXIncident {
  enum class Kind { sleptWhileAwake, protectionLost };
  // `expectedPause`: the machine slept while a safety pause was in force; it
  // never asks for attention. `user` is never recorded, only read.
  enum class Cause { lidClosed, batteryCritical, thermalCritical, user, expectedPause, unknown };

  std::string id;  // upper-case UUID text
  Kind kind = Kind::protectionLost;
  Cause cause = Cause::unknown;
  platform::Date at;
  bool acknowledged = false;

  // A new, unacknowledged incident with a fresh identifier.
  static VGXIncident make(Kind kind, Cause cause, platform::Date at);

  bool operator==(const VGXIncident&) const = default;
};

std::string_view rawValue(VGXIncident::Kind kind);
std::string_view rawValue(VGXIncident::Cause cause);
std::optional<VGXIncident::Kind> incidentKindFromRawValue(std::string_view raw);
std::optional<VGXIncident::Cause> incidentCauseFromRawValue(std::string_view raw);

// The stored form: a compact JSON array of objects with the keys "id",
// "kind", "cause", "at" (seconds since 2001, with fraction) and
// "acknowledged", in that order; readers accept any order. Every key is
// required, and one bad element fails the whole list. Encoding fails only
// for a date that is not finite.
std::expected<platform::Bytes, platform::json::EncodingError> encodeIncidents(
    const std::vector<VGXIncident>& incidents);
std::expected<std::vector<VGXIncident>, platform::json::DecodingError> decodeIncidents(
    const platform::Bytes& bytes);

}  // namespace vigilix
