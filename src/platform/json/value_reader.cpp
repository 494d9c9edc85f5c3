#include "platform/json/value_reader.h"

#include <fmt/format.h>

#include <cmath>
#include <limits>

#include "platform/base/base64.h"

namespace vigilix::platform::json {
namespace {

std::string_view foundDescription(const Value& v) {
  switch (v.type()) {
    case Value::value_t::null:
      return "null";
    case Value::value_t::boolean:
      return "a boolean";
    case Value::value_t::number_integer:
    case Value::value_t::number_unsigned:
    case Value::value_t::number_float:
      return "a number";
    case Value::value_t::string:
      return "a string";
    case Value::value_t::array:
      return "an array";
    case Value::value_t::object:
      return "a dictionary";
    default:
      return "an unsupported value";
  }
}

std::string numberTextForError(const Value& v) { return v.dump(); }

}  // namespace

std::expected<void, DecodingError> ValueReader::expect(bool ok, std::string_view typeName) const {
  if (ok) return {};
  if (value_->is_null()) {
    return std::unexpected(
        error(DecodingError::Kind::valueNotFound,
              fmt::format("Expected {} value but found null instead.", typeName)));
  }
  return std::unexpected(error(DecodingError::Kind::typeMismatch,
                               fmt::format("Expected to decode {} but found {} instead.", typeName,
                                           foundDescription(*value_))));
}

std::expected<std::string, DecodingError> ValueReader::asString() const {
  if (auto ok = expect(value_->is_string(), "String"); !ok) return std::unexpected(ok.error());
  return value_->get<std::string>();
}

std::expected<bool, DecodingError> ValueReader::asBool() const {
  if (auto ok = expect(value_->is_boolean(), "Bool"); !ok) return std::unexpected(ok.error());
  return value_->get<bool>();
}

std::expected<double, DecodingError> ValueReader::asDouble() const {
  // is_number() is false for Booleans in this library: a Bool is never a number.
  if (auto ok = expect(value_->is_number(), "Double"); !ok) return std::unexpected(ok.error());
  double d = value_->get<double>();
  if (!std::isfinite(d)) {
    return std::unexpected(dataCorrupted(fmt::format(
        "Parsed JSON number <{}> does not fit in Double.", numberTextForError(*value_))));
  }
  return d;
}

std::expected<std::int64_t, DecodingError> ValueReader::asInt64() const {
  if (auto ok = expect(value_->is_number(), "Int"); !ok) return std::unexpected(ok.error());
  if (value_->is_number_integer() && !value_->is_number_unsigned()) {
    return value_->get<std::int64_t>();
  }
  if (value_->is_number_unsigned()) {
    auto u = value_->get<std::uint64_t>();
    if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      return static_cast<std::int64_t>(u);
    }
  } else {
    double d = value_->get<double>();
    // 2^63 is exactly representable; every integral double below it fits.
    if (std::isfinite(d) && std::trunc(d) == d && d >= -9223372036854775808.0 &&
        d < 9223372036854775808.0) {
      return static_cast<std::int64_t>(d);
    }
  }
  return std::unexpected(dataCorrupted(
      fmt::format("Parsed JSON number <{}> does not fit in Int.", numberTextForError(*value_))));
}

std::expected<Date, DecodingError> ValueReader::asDate() const {
  auto seconds = asDouble();
  if (!seconds) return std::unexpected(seconds.error());
  return dateFromSeconds(*seconds, dates_);
}

std::expected<Bytes, DecodingError> ValueReader::asData() const {
  auto text = asString();
  if (!text) return std::unexpected(text.error());
  auto bytes = base64Decode(*text);
  if (!bytes) return std::unexpected(dataCorrupted("Encountered Data is not valid Base64."));
  return std::move(*bytes);
}

std::expected<KeyedReader, DecodingError> ValueReader::asObject() const {
  if (auto ok = expect(value_->is_object(), "Dictionary<String, Any>"); !ok) {
    return std::unexpected(ok.error());
  }
  return KeyedReader(*value_, path_, dates_);
}

std::expected<std::vector<ValueReader>, DecodingError> ValueReader::asArray() const {
  if (auto ok = expect(value_->is_array(), "Array<Any>"); !ok) return std::unexpected(ok.error());
  std::vector<ValueReader> out;
  out.reserve(value_->size());
  std::size_t index = 0;
  for (const auto& element : *value_) {
    CodingPath path = path_;
    path.push_back(indexKey(index++));
    out.emplace_back(element, std::move(path), dates_);
  }
  return out;
}

CodingPath KeyedReader::pathTo(std::string_view key) const {
  CodingPath path = path_;
  path.emplace_back(key);
  return path;
}

std::vector<std::string> KeyedReader::allKeys() const {
  std::vector<std::string> keys;
  for (auto it = object_->begin(); it != object_->end(); ++it) keys.push_back(it.key());
  return keys;
}

bool KeyedReader::contains(std::string_view key) const {
  return object_->find(std::string(key)) != object_->end();
}

std::expected<ValueReader, DecodingError> KeyedReader::require(std::string_view key) const {
  auto it = object_->find(std::string(key));
  if (it == object_->end()) {
    return std::unexpected(error(DecodingError::Kind::keyNotFound,
                                 fmt::format("No value associated with key \"{}\".", key)));
  }
  return ValueReader(*it, pathTo(key), dates_);
}

std::optional<ValueReader> KeyedReader::optional(std::string_view key) const {
  auto it = object_->find(std::string(key));
  if (it == object_->end() || it->is_null()) return std::nullopt;
  return ValueReader(*it, pathTo(key), dates_);
}

namespace {

template <typename T>
std::expected<T, DecodingError> requireWith(const KeyedReader& reader, std::string_view key,
                                            std::expected<T, DecodingError> (ValueReader::*as)()
                                                const) {
  auto value = reader.require(key);
  if (!value) return std::unexpected(std::move(value.error()));
  return ((*value).*as)();
}

template <typename T>
std::expected<std::optional<T>, DecodingError> optionalWith(
    const KeyedReader& reader, std::string_view key,
    std::expected<T, DecodingError> (ValueReader::*as)() const) {
  auto value = reader.optional(key);
  if (!value) return std::optional<T>();
  auto result = ((*value).*as)();
  if (!result) return std::unexpected(std::move(result.error()));
  return std::optional<T>(std::move(*result));
}

}  // namespace

std::expected<std::string, DecodingError> KeyedReader::requireString(std::string_view key) const {
  return requireWith(*this, key, &ValueReader::asString);
}
std::expected<bool, DecodingError> KeyedReader::requireBool(std::string_view key) const {
  return requireWith(*this, key, &ValueReader::asBool);
}
std::expected<double, DecodingError> KeyedReader::requireDouble(std::string_view key) const {
  return requireWith(*this, key, &ValueReader::asDouble);
}
std::expected<std::int64_t, DecodingError> KeyedReader::requireInt64(std::string_view key) const {
  return requireWith(*this, key, &ValueReader::asInt64);
}
std::expected<Date, DecodingError> KeyedReader::requireDate(std::string_view key) const {
  return requireWith(*this, key, &ValueReader::asDate);
}
std::expected<Bytes, DecodingError> KeyedReader::requireData(std::string_view key) const {
  return requireWith(*this, key, &ValueReader::asData);
}
std::expected<KeyedReader, DecodingError> KeyedReader::requireObject(std::string_view key) const {
  return requireWith(*this, key, &ValueReader::asObject);
}
std::expected<std::vector<ValueReader>, DecodingError> KeyedReader::requireArray(
    std::string_view key) const {
  return requireWith(*this, key, &ValueReader::asArray);
}

std::expected<std::optional<std::string>, DecodingError> KeyedReader::optionalString(
    std::string_view key) const {
  return optionalWith(*this, key, &ValueReader::asString);
}
std::expected<std::optional<bool>, DecodingError> KeyedReader::optionalBool(
    std::string_view key) const {
  return optionalWith(*this, key, &ValueReader::asBool);
}
std::expected<std::optional<double>, DecodingError> KeyedReader::optionalDouble(
    std::string_view key) const {
  return optionalWith(*this, key, &ValueReader::asDouble);
}
std::expected<std::optional<Date>, DecodingError> KeyedReader::optionalDate(
    std::string_view key) const {
  return optionalWith(*this, key, &ValueReader::asDate);
}
std::expected<std::optional<KeyedReader>, DecodingError> KeyedReader::optionalObject(
    std::string_view key) const {
  return optionalWith(*this, key, &ValueReader::asObject);
}

}  // namespace vigilix::platform::json
