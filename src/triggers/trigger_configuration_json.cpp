#include "triggers/trigger_configuration_json.h"

#include <fmt/format.h>

#include <limits>

#include "platform/json/json_reader.h"
#include "platform/json/json_writer.h"

namespace vigilix {

namespace json = platform::json;

namespace {

using json::DecodingError;
using json::KeyedReader;
using json::Value;
using json::ValueReader;

std::expected<int, DecodingError> readInt(const ValueReader& value) {
  auto number = value.asInt64();
  if (!number) return std::unexpected(number.error());
  if (*number < std::numeric_limits<int>::min() || *number > std::numeric_limits<int>::max()) {
    return std::unexpected(
        value.dataCorrupted(fmt::format("Parsed JSON number <{}> does not fit in Int.", *number)));
  }
  return static_cast<int>(*number);
}

std::expected<int, DecodingError> requireInt(const KeyedReader& object, std::string_view key) {
  auto value = object.require(key);
  if (!value) return std::unexpected(value.error());
  return readInt(*value);
}

Value encodeTexts(const std::vector<std::string>& texts) {
  Value array = Value::array();
  for (const auto& text : texts) array.push_back(text);
  return array;
}

// A list of texts; [] when missing or null.
std::expected<std::vector<std::string>, DecodingError> readTexts(const KeyedReader& object,
                                                                 std::string_view key) {
  const auto value = object.optional(key);
  if (!value) return std::vector<std::string>{};
  auto elements = value->asArray();
  if (!elements) return std::unexpected(elements.error());
  return json::readEach(*elements, [](const ValueReader& element) { return element.asString(); });
}

// Each reader below assigns its field only when the key holds a value.
std::expected<void, DecodingError> readBool(const KeyedReader& object, std::string_view key,
                                            bool& field) {
  auto value = object.optionalBool(key);
  if (!value) return std::unexpected(value.error());
  field = value->value_or(false);
  return {};
}

std::expected<void, DecodingError> readOptionalDouble(const KeyedReader& object,
                                                      std::string_view key,
                                                      std::optional<double>& field) {
  auto value = object.optionalDouble(key);
  if (!value) return std::unexpected(value.error());
  field = *value;
  return {};
}

std::expected<void, DecodingError> readTextList(const KeyedReader& object, std::string_view key,
                                                std::vector<std::string>& field) {
  auto value = readTexts(object, key);
  if (!value) return std::unexpected(value.error());
  field = std::move(*value);
  return {};
}

}  // namespace

Value encodeJSONValue(const TriggerSchedule& schedule) {
  Value weekdays = Value::array();
  for (const int weekday : schedule.weekdays) weekdays.push_back(weekday);
  Value object = Value::object();
  object["weekdays"] = std::move(weekdays);
  object["startMinute"] = schedule.startMinute;
  object["endMinute"] = schedule.endMinute;
  return object;
}

Value encodeJSONValue(const TriggerConfiguration& c) {
  Value object = Value::object();
  object["isEnabled"] = c.isEnabled;
  object["appBundleIdentifiers"] = encodeTexts(c.appBundleIdentifiers);
  object["whenOnPowerAdapter"] = c.whenOnPowerAdapter;
  object["whenExternalDisplayConnected"] = c.whenExternalDisplayConnected;
  if (c.networkThresholdBytesPerSecond) {
    object["networkThresholdBytesPerSecond"] = *c.networkThresholdBytesPerSecond;
  }
  if (c.cpuThresholdPercent) object["cpuThresholdPercent"] = *c.cpuThresholdPercent;
  object["wifiNetworkNames"] = encodeTexts(c.wifiNetworkNames);
  if (c.schedule) object["schedule"] = encodeJSONValue(*c.schedule);
  object["sustainSeconds"] = c.sustainSeconds;
  object["frontmostOnlyBundleIdentifiers"] = encodeTexts(c.frontmostOnlyBundleIdentifiers);
  object["duringCalls"] = c.duringCalls;
  object["whileAudioPlaying"] = c.whileAudioPlaying;
  if (c.diskThresholdBytesPerSecond) {
    object["diskThresholdBytesPerSecond"] = *c.diskThresholdBytesPerSecond;
  }
  object["onlyWhileOnPower"] = c.onlyWhileOnPower;
  object["whileTimeMachineBacksUp"] = c.whileTimeMachineBacksUp;
  return object;
}

std::expected<TriggerSchedule, DecodingError> decodeTriggerSchedule(const ValueReader& value) {
  auto object = value.asObject();
  if (!object) return std::unexpected(object.error());
  auto weekdays = object->requireArray("weekdays");
  if (!weekdays) return std::unexpected(weekdays.error());
  auto days = json::readEach(*weekdays, readInt);
  if (!days) return std::unexpected(days.error());
  auto start = requireInt(*object, "startMinute");
  if (!start) return std::unexpected(start.error());
  auto end = requireInt(*object, "endMinute");
  if (!end) return std::unexpected(end.error());
  return TriggerSchedule{{days->begin(), days->end()}, *start, *end};
}

std::expected<TriggerConfiguration, DecodingError> decodeTriggerConfiguration(
    const ValueReader& value) {
  auto object = value.asObject();
  if (!object) return std::unexpected(object.error());
  const KeyedReader& o = *object;
  TriggerConfiguration c;
  std::expected<void, DecodingError> step;
  if (!(step = readBool(o, "isEnabled", c.isEnabled))) return std::unexpected(step.error());
  if (!(step = readTextList(o, "appBundleIdentifiers", c.appBundleIdentifiers))) {
    return std::unexpected(step.error());
  }
  if (!(step = readBool(o, "whenOnPowerAdapter", c.whenOnPowerAdapter))) {
    return std::unexpected(step.error());
  }
  if (!(step = readBool(o, "whenExternalDisplayConnected", c.whenExternalDisplayConnected))) {
    return std::unexpected(step.error());
  }
  if (!(step = readOptionalDouble(o, "networkThresholdBytesPerSecond",
                                  c.networkThresholdBytesPerSecond))) {
    return std::unexpected(step.error());
  }
  if (!(step = readOptionalDouble(o, "cpuThresholdPercent", c.cpuThresholdPercent))) {
    return std::unexpected(step.error());
  }
  if (!(step = readTextList(o, "wifiNetworkNames", c.wifiNetworkNames))) {
    return std::unexpected(step.error());
  }
  if (const auto schedule = o.optional("schedule"); schedule && !schedule->isNull()) {
    auto decoded = decodeTriggerSchedule(*schedule);
    if (!decoded) return std::unexpected(decoded.error());
    c.schedule = std::move(*decoded);
  }
  auto sustain = o.optionalDouble("sustainSeconds");
  if (!sustain) return std::unexpected(sustain.error());
  c.sustainSeconds = sustain->value_or(30);
  if (!(step =
            readTextList(o, "frontmostOnlyBundleIdentifiers", c.frontmostOnlyBundleIdentifiers))) {
    return std::unexpected(step.error());
  }
  if (!(step = readBool(o, "duringCalls", c.duringCalls))) return std::unexpected(step.error());
  if (!(step = readBool(o, "whileAudioPlaying", c.whileAudioPlaying))) {
    return std::unexpected(step.error());
  }
  if (!(step =
            readOptionalDouble(o, "diskThresholdBytesPerSecond", c.diskThresholdBytesPerSecond))) {
    return std::unexpected(step.error());
  }
  if (!(step = readBool(o, "onlyWhileOnPower", c.onlyWhileOnPower))) {
    return std::unexpected(step.error());
  }
  if (!(step = readBool(o, "whileTimeMachineBacksUp", c.whileTimeMachineBacksUp))) {
    return std::unexpected(step.error());
  }
  return c;
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
