#include "health/incident.h"

#include <array>
#include <utility>

#include "platform/base/raw_values.h"
#include "platform/base/uuid.h"
#include "platform/json/json_writer.h"
#include "platform/json/record_fields.h"
#include "platform/json/value_reader.h"

namespace vigilix {

namespace json = platform::json;

namespace {

constexpr std::array<std::pair<VGXIncident::Kind, std::string_view>, 2> kKinds{{
    {VGXIncident::Kind::sleptWhileAwake, "sleptWhileAwake"},
    {VGXIncident::Kind::protectionLost, "protectionLost"},
}};

constexpr std::array<std::pair<VGXIncident::Cause, std::string_view>, 6> kCauses{{
    {VGXIncident::Cause::lidClosed, "lidClosed"},
    {VGXIncident::Cause::batteryCritical, "batteryCritical"},
    {VGXIncident::Cause::thermalCritical, "thermalCritical"},
    {VGXIncident::Cause::user, "user"},
    {VGXIncident::Cause::expectedPause, "expectedPause"},
    {VGXIncident::Cause::unknown, "unknown"},
}};

const json::RecordFields<VGXIncident>& incidentFields() {
  static const json::RecordFields<VGXIncident> fields{
      json::field("id", &VGXIncident::id, json::Text{}),
      json::field("kind", &VGXIncident::kind,
                  json::RawText<VGXIncident::Kind>{incidentKindFromRawValue}),
      json::field("cause", &VGXIncident::cause,
                  json::RawText<VGXIncident::Cause>{incidentCauseFromRawValue}),
      json::field("at", &VGXIncident::at, json::DateNumber{}),
      json::field("acknowledged", &VGXIncident::acknowledged, json::Boolean{}),
  };
  return fields;
}

const json::ListOf<json::RecordOf<VGXIncident>> kIncidentList{{incidentFields}};

}  // namespace

VGXIncident VGXIncident::make(Kind kind, Cause cause, platform::Date at) {
  return VGXIncident{platform::UUID::generate().uuidString(), kind, cause, at, false};
}

std::string_view rawValue(VGXIncident::Kind kind) { return platform::rawValueIn(kKinds, kind); }
std::string_view rawValue(VGXIncident::Cause cause) { return platform::rawValueIn(kCauses, cause); }

std::optional<VGXIncident::Kind> incidentKindFromRawValue(std::string_view raw) {
  return platform::caseWithRawValue<VGXIncident::Kind>(kKinds, raw);
}

std::optional<VGXIncident::Cause> incidentCauseFromRawValue(std::string_view raw) {
  return platform::caseWithRawValue<VGXIncident::Cause>(kCauses, raw);
}

std::expected<platform::Bytes, json::EncodingError> encodeIncidents(
    const std::vector<VGXIncident>& incidents) {
  auto text =
      json::write(kIncidentList.encode(incidents, json::DateStrategy::secondsSinceReferenceDate));
  if (!text) return std::unexpected(std::move(text.error()));
  return platform::Bytes(text->begin(), text->end());
}

std::expected<std::vector<VGXIncident>, json::DecodingError> decodeIncidents(
    const platform::Bytes& bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return json::decode(text,
                      [](const json::ValueReader& value) { return kIncidentList.decode(value); });
}

}  // namespace vigilix
