#include "platform/json/record_fields.h"

#include <fmt/format.h>

#include <cmath>

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

std::expected<std::uint64_t, DecodingError> readUnsignedInteger(const ValueReader& value,
                                                                std::uint64_t max,
                                                                std::string_view typeName) {
  const Value& number = value.value();
  if (!number.is_number()) {
    auto mismatch = value.asDouble();  // the reader's type-mismatch error
    if (!mismatch) return std::unexpected(std::move(mismatch.error()));
  }
  std::optional<std::uint64_t> read;
  if (number.is_number_unsigned()) {
    read = number.get<std::uint64_t>();
  } else if (number.is_number_integer()) {
    if (auto signedNumber = number.get<std::int64_t>(); signedNumber >= 0) {
      read = static_cast<std::uint64_t>(signedNumber);
    }
  } else {
    // 2^64 is exactly representable; every integral double below it fits.
    const double d = number.get<double>();
    if (std::isfinite(d) && std::trunc(d) == d && d >= 0 && d < 18446744073709551616.0) {
      read = static_cast<std::uint64_t>(d);
    }
  }
  if (!read || *read > max) {
    return std::unexpected(value.dataCorrupted(
        fmt::format("Parsed JSON number <{}> does not fit in {}.", number.dump(), typeName)));
  }
  return *read;
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
