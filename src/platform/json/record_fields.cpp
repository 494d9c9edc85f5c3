#include "platform/json/record_fields.h"

#include <fmt/format.h>

#include "platform/json/data_coding.h"

namespace vigilix::platform::json {

std::expected<std::int64_t, DecodingError> readInteger(const ValueReader& value, std::int64_t min,
                                                       std::int64_t max,
                                                       std::string_view typeName) {
  auto number = value.asInt64();
  if (!number) return std::unexpected(std::move(number.error()));
  if (*number < min || *number > max) {
    return std::unexpected(value.dataCorrupted(
        fmt::format("Parsed JSON number <{}> does not fit in {}.", *number, typeName)));
  }
  return *number;
}

Value Base64Data::encode(const Bytes& bytes, DateStrategy) const { return encodeData(bytes); }

std::expected<UUID, DecodingError> UuidText::decode(const ValueReader& value) const {
  auto text = value.asString();
  if (!text) return std::unexpected(std::move(text.error()));
  auto id = UUID::fromString(*text);
  if (!id)
    return std::unexpected(
        value.dataCorrupted("Attempted to decode UUID from invalid UUID string."));
  return *id;
}

}  // namespace vigilix::platform::json
