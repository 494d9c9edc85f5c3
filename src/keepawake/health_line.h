#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "platform/json/coding_errors.h"
#include "platform/json/value.h"

namespace vigilix {

enum class VGXHealthSeverity { Ok, Warning, Error };

// "ok", "warning", "error".
std::string_view rawValue(VGXHealthSeverity severity);
std::optional<VGXHealthSeverity> healthSeverityFromRawValue(std::string_view raw);
// "OK", "Needs attention", "Error", localized.
std::string localizedTitle(VGXHealthSeverity severity);

// One line of the health check.
struct VGXHealthLine {
  std::string title;
  std::string detail;
  VGXHealthSeverity severity = VGXHealthSeverity::Ok;
  // The action the health check offers to fix the problem; none when there
  // is nothing to fix.
  std::optional<std::string> fixActionID;

  bool operator==(const VGXHealthLine&) const = default;
};

// {"title":..,"detail":..,"severity":..,"fixActionID":..}; "fixActionID" is
// left out when none.
platform::json::Value encodeHealthLine(const VGXHealthLine& line);
std::expected<VGXHealthLine, platform::json::DecodingError> decodeHealthLine(
    const platform::json::Value& value);

}  // namespace vigilix
