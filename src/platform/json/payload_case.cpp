#include "platform/json/payload_case.h"

#include <algorithm>
#include <optional>

namespace vigilix::platform::json {

Value payloadCase(std::string_view caseName, Value payload) {
  Value object = Value::object();
  object[std::string(caseName)] = std::move(payload);
  return object;
}

Value unnamedPayload(Value value) { return payloadCase(kUnnamedPayloadKey, std::move(value)); }

std::expected<PayloadCase, DecodingError> readPayloadCase(
    const ValueReader& value, std::initializer_list<std::string_view> caseNames) {
  auto object = value.asObject();
  if (!object) return std::unexpected(std::move(object.error()));
  std::optional<std::string> found;
  std::size_t count = 0;
  for (const auto& key : object->allKeys()) {
    if (std::find(caseNames.begin(), caseNames.end(), key) == caseNames.end()) continue;
    ++count;
    found = key;
  }
  if (count != 1) {
    return std::unexpected(value.error(DecodingError::Kind::typeMismatch, kInvalidNumberOfKeys));
  }
  auto payload = object->require(*found);
  if (!payload) return std::unexpected(std::move(payload.error()));
  return PayloadCase{*found, std::move(*payload)};
}

}  // namespace vigilix::platform::json
