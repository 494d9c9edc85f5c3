#include "triggers/trigger_configuration_json.h"

#include "platform/json/json_reader.h"
#include "platform/json/json_writer.h"
#include "platform/json/record_fields.h"

namespace vigilix {

namespace json = platform::json;

namespace {

using json::DecodingError;
using json::Presence;
using json::Value;
using json::ValueReader;

// Numbers are read at full width without a range check: a value outside the
// week or the day simply never matches.
const json::RecordFields<TriggerSchedule>& scheduleFields() {
  static const json::RecordFields<TriggerSchedule> fields{
      json::field("weekdays", &TriggerSchedule::weekdays,
                  json::SetOf<json::Integer<std::int64_t>>{}),
      json::field("startMinute", &TriggerSchedule::startMinute, json::Integer<std::int64_t>{}),
      json::field("endMinute", &TriggerSchedule::endMinute, json::Integer<std::int64_t>{}),
  };
  return fields;
}

// Every key may be missing or null: the record's defaults apply.
const json::RecordFields<TriggerConfiguration>& configurationFields() {
  using C = TriggerConfiguration;
  using Texts = json::ListOf<json::Text>;
  constexpr auto kDefaulted = Presence::defaulted;
  static const json::RecordFields<C> fields{
      json::field("isEnabled", &C::isEnabled, json::Boolean{}, kDefaulted),
      json::field("appBundleIdentifiers", &C::appBundleIdentifiers, Texts{}, kDefaulted),
      json::field("whenOnPowerAdapter", &C::whenOnPowerAdapter, json::Boolean{}, kDefaulted),
      json::field("whenExternalDisplayConnected", &C::whenExternalDisplayConnected, json::Boolean{},
                  kDefaulted),
      json::field("networkThresholdBytesPerSecond", &C::networkThresholdBytesPerSecond,
                  json::Real{}),
      json::field("cpuThresholdPercent", &C::cpuThresholdPercent, json::Real{}),
      json::field("wifiNetworkNames", &C::wifiNetworkNames, Texts{}, kDefaulted),
      json::field("schedule", &C::schedule, json::RecordOf<TriggerSchedule>{scheduleFields}),
      json::field("sustainSeconds", &C::sustainSeconds, json::Real{}, kDefaulted),
      json::field("frontmostOnlyBundleIdentifiers", &C::frontmostOnlyBundleIdentifiers, Texts{},
                  kDefaulted),
      json::field("duringCalls", &C::duringCalls, json::Boolean{}, kDefaulted),
      json::field("whileAudioPlaying", &C::whileAudioPlaying, json::Boolean{}, kDefaulted),
      json::field("diskThresholdBytesPerSecond", &C::diskThresholdBytesPerSecond, json::Real{}),
      json::field("onlyWhileOnPower", &C::onlyWhileOnPower, json::Boolean{}, kDefaulted),
      json::field("whileTimeMachineBacksUp", &C::whileTimeMachineBacksUp, json::Boolean{},
                  kDefaulted),
  };
  return fields;
}

}  // namespace

Value encodeJSONValue(const TriggerSchedule& schedule) {
  return json::encodeRecord(schedule, scheduleFields());
}

Value encodeJSONValue(const TriggerConfiguration& configuration) {
  return json::encodeRecord(configuration, configurationFields());
}

std::expected<TriggerConfiguration, DecodingError> decodeTriggerConfiguration(
    const ValueReader& value) {
  return json::decodeRecord(value, configurationFields());
}

std::expected<std::string, json::EncodingError> encodeTriggerConfiguration(
    const TriggerConfiguration& configuration) {
  return json::write(encodeJSONValue(configuration));
}

std::expected<TriggerConfiguration, DecodingError> decodeTriggerConfiguration(
    std::string_view text) {
  return json::decode(text,
                      [](const ValueReader& value) { return decodeTriggerConfiguration(value); });
}

std::expected<TriggerConfiguration, DecodingError> decodeTriggerConfiguration(
    const std::vector<std::uint8_t>& bytes) {
  return decodeTriggerConfiguration(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace vigilix
