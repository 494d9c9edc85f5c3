#include "keepawake/health_line.h"

#include <fmt/format.h>

#include <utility>

#include "platform/base/localized.h"
#include "platform/base/raw_values.h"
#include "platform/json/object_builder.h"
#include "platform/json/value_reader.h"

namespace vigilix {

namespace json = platform::json;

namespace {

constexpr std::pair<VGXHealthSeverity, std::string_view> kSeverityNames[] = {
    {VGXHealthSeverity::Ok, "ok"},
    {VGXHealthSeverity::Warning, "warning"},
    {VGXHealthSeverity::Error, "error"}};

}  // namespace

std::string_view rawValue(VGXHealthSeverity severity) {
  return platform::rawValueIn(kSeverityNames, severity);
}

std::optional<VGXHealthSeverity> healthSeverityFromRawValue(std::string_view raw) {
  return platform::caseWithRawValue<VGXHealthSeverity>(kSeverityNames, raw);
}

std::string localizedTitle(VGXHealthSeverity severity) {
  switch (severity) {
    case VGXHealthSeverity::Ok:
      return platform::localized("OK", "Health Check severity: no problem");
    case VGXHealthSeverity::Warning:
      return platform::localized("Needs attention", "Health Check severity: needs attention");
    case VGXHealthSeverity::Error:
      return platform::localized("Error", "Health Check severity: error");
  }
  return {};
}

json::Value encodeHealthLine(const VGXHealthLine& line) {
  json::ObjectBuilder builder;
  builder.set("title", line.title)
      .set("detail", line.detail)
      .set("severity", std::string(rawValue(line.severity)))
      .setOptional("fixActionID", line.fixActionID);
  return std::move(builder).build();
}

std::expected<VGXHealthLine, json::DecodingError> decodeHealthLine(const json::Value& value) {
  auto object = json::ValueReader(value).asObject();
  if (!object) return std::unexpected(object.error());
  auto title = object->requireString("title");
  if (!title) return std::unexpected(title.error());
  auto detail = object->requireString("detail");
  if (!detail) return std::unexpected(detail.error());
  auto severityField = object->require("severity");
  if (!severityField) return std::unexpected(severityField.error());
  auto severityText = severityField->asString();
  if (!severityText) return std::unexpected(severityText.error());
  auto severity = healthSeverityFromRawValue(*severityText);
  if (!severity) {
    return std::unexpected(severityField->dataCorrupted(fmt::format(
        "Cannot initialize VGXHealthSeverity from invalid String value {}", *severityText)));
  }
  auto fixActionID = object->optionalString("fixActionID");
  if (!fixActionID) return std::unexpected(fixActionID.error());
  return VGXHealthLine{std::move(*title), std::move(*detail), *severity, std::move(*fixActionID)};
}

}  // namespace vigilix
