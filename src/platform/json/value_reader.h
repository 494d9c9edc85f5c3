#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/base/date.h"
#include "platform/base/property_value.h"
#include "platform/json/coding_errors.h"
#include "platform/json/date_strategy.h"
#include "platform/json/json_reader.h"
#include "platform/json/value.h"

namespace vigilix::platform::json {

class KeyedReader;

// Typed reading of one JSON value, with the errors the platform's decoder
// gives. A reader points into a document: keep the document alive while
// reading. Numbers and Booleans never stand in for each other, non-finite
// numbers are refused, and a null where a value is required is valueNotFound.
class ValueReader {
 public:
  explicit ValueReader(const Value& value, CodingPath path = {},
                       DateStrategy dates = DateStrategy::secondsSinceReferenceDate)
      : value_(&value), path_(std::move(path)), dates_(dates) {}

  const Value& value() const { return *value_; }
  const CodingPath& codingPath() const { return path_; }
  bool isNull() const { return value_->is_null(); }

  std::expected<std::string, DecodingError> asString() const;
  std::expected<bool, DecodingError> asBool() const;
  // Any finite number, integral or not.
  std::expected<double, DecodingError> asDouble() const;
  // An integral number that fits 64 bits ("1800" or "1800.0"; not "1.5").
  std::expected<std::int64_t, DecodingError> asInt64() const;
  // A number of seconds by the reader's date strategy.
  std::expected<Date, DecodingError> asDate() const;
  // A Base64 string.
  std::expected<Bytes, DecodingError> asData() const;
  std::expected<KeyedReader, DecodingError> asObject() const;
  std::expected<std::vector<ValueReader>, DecodingError> asArray() const;

  // An error at this value's path, for checks of the caller's own (an
  // unknown raw value, a field out of range).
  DecodingError error(DecodingError::Kind kind, std::string debugDescription) const {
    return DecodingError{kind, path_, std::move(debugDescription)};
  }
  DecodingError dataCorrupted(std::string debugDescription) const {
    return error(DecodingError::Kind::dataCorrupted, std::move(debugDescription));
  }

 private:
  std::expected<void, DecodingError> expect(bool ok, std::string_view typeName) const;

  const Value* value_;
  CodingPath path_;
  DateStrategy dates_;
};

// Typed reading of a JSON object's members. `require...` fails with
// keyNotFound for an absent key (and valueNotFound for null);
// `optional...` gives none for an absent key or null, and still fails on a
// value of the wrong type. Unknown keys are ignored.
class KeyedReader {
 public:
  KeyedReader(const Value& object, CodingPath path,
              DateStrategy dates = DateStrategy::secondsSinceReferenceDate)
      : object_(&object), path_(std::move(path)), dates_(dates) {}

  const CodingPath& codingPath() const { return path_; }
  std::vector<std::string> allKeys() const;
  // True when the key is present, even with null.
  bool contains(std::string_view key) const;

  std::expected<ValueReader, DecodingError> require(std::string_view key) const;
  std::optional<ValueReader> optional(std::string_view key) const;

  std::expected<std::string, DecodingError> requireString(std::string_view key) const;
  std::expected<bool, DecodingError> requireBool(std::string_view key) const;
  std::expected<double, DecodingError> requireDouble(std::string_view key) const;
  std::expected<std::int64_t, DecodingError> requireInt64(std::string_view key) const;
  std::expected<Date, DecodingError> requireDate(std::string_view key) const;
  std::expected<Bytes, DecodingError> requireData(std::string_view key) const;
  std::expected<KeyedReader, DecodingError> requireObject(std::string_view key) const;
  std::expected<std::vector<ValueReader>, DecodingError> requireArray(std::string_view key) const;

  std::expected<std::optional<std::string>, DecodingError> optionalString(
      std::string_view key) const;
  std::expected<std::optional<bool>, DecodingError> optionalBool(std::string_view key) const;
  std::expected<std::optional<double>, DecodingError> optionalDouble(std::string_view key) const;
  std::expected<std::optional<Date>, DecodingError> optionalDate(std::string_view key) const;
  std::expected<std::optional<KeyedReader>, DecodingError> optionalObject(
      std::string_view key) const;

  // An error at this object's path.
  DecodingError error(DecodingError::Kind kind, std::string debugDescription) const {
    return DecodingError{kind, path_, std::move(debugDescription)};
  }

 private:
  CodingPath pathTo(std::string_view key) const;

  const Value* object_;
  CodingPath path_;
  DateStrategy dates_;
};

// Reads every element of an array with `read` (a function of a ValueReader
// returning std::expected<T, DecodingError>); the first failure fails all.
template <typename Read>
auto readEach(const std::vector<ValueReader>& elements, Read&& read) -> std::expected<
    std::vector<typename std::invoke_result_t<Read&, const ValueReader&>::value_type>,
    DecodingError> {
  using T = typename std::invoke_result_t<Read&, const ValueReader&>::value_type;
  std::vector<T> out;
  out.reserve(elements.size());
  for (const auto& element : elements) {
    auto item = read(element);
    if (!item) return std::unexpected(std::move(item.error()));
    out.push_back(std::move(*item));
  }
  return out;
}

// Parses `text` and reads its top-level value with `read` (a function of a
// ValueReader returning std::expected<T, DecodingError>).
template <typename Read>
auto decode(std::string_view text, Read&& read,
            DateStrategy dates = DateStrategy::secondsSinceReferenceDate)
    -> std::invoke_result_t<Read&, const ValueReader&> {
  auto document = parse(text);
  if (!document) return std::unexpected(std::move(document.error()));
  return read(ValueReader(*document, {}, dates));
}

}  // namespace vigilix::platform::json
