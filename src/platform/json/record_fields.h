#pragma once

#include <concepts>
#include <cstdint>
#include <expected>
#include <functional>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/base/date.h"
#include "platform/base/property_value.h"
#include "platform/base/uuid.h"
#include "platform/json/coding_errors.h"
#include "platform/json/date_strategy.h"
#include "platform/json/value.h"
#include "platform/json/value_reader.h"

// A stored record's JSON form, written and read from one table of its fields,
// so that the two directions cannot drift apart. A row names the JSON key, the
// member it holds and the member's kind (how one value is written and read):
//
//   const json::RecordFields<WatchKind::App>& appFields() {
//     static const json::RecordFields<WatchKind::App> fields{
//         json::field("processIdentifier", &App::processIdentifier, json::Integer<int32_t>{}),
//         json::field("bundleIdentifier", &App::bundleIdentifier, json::Text{}),
//         json::field("displayName", &App::displayName, json::Text{}),
//     };
//     return fields;
//   }
//   json::Value value = json::encodeRecord(app, appFields());
//   std::expected<App, DecodingError> app = json::decodeRecord(reader, appFields());
//
// The tables are built once (function-local statics) and read-only afterwards,
// so any thread may encode and decode. A record that cannot be default-
// constructed names the value each read starts from (decodeRecord's `record`,
// RecordOf's `start`).
//
// Writing puts the keys in table order (the declaration order of the stored
// form). Reading takes the rows in the same order, so the first bad field is
// the one reported; unknown keys are ignored.
//
// Presence of a key:
// - a plain member is required: an absent key fails with keyNotFound, null
//   with valueNotFound;
// - a plain member declared `Presence::defaulted` keeps the value the record
//   started with (its default) when the key is absent or null;
// - an std::optional member is left out when empty (never written as null)
//   and reads an absent or null key as empty.
// A present value of the wrong type always fails the whole record.
//
// A kind for values of type T is any type with
//   Value encode(const T&, DateStrategy) const;
//   std::expected<T, DecodingError> decode(const ValueReader&) const;
// The kinds below cover the common values; a record with an enumeration of
// its own writes a small kind beside its table.
namespace vigilix::platform::json {

// Reading integers: the one range check. A number that is integral and fits
// T; anything else fails with the reader's errors ("does not fit in Int32").
std::expected<std::int64_t, DecodingError> readInteger(const ValueReader& value, std::int64_t min,
                                                       std::int64_t max, std::string_view typeName);

template <std::signed_integral T>
requires(sizeof(T) <= sizeof(std::int64_t)) struct Integer {
  Value encode(T number, DateStrategy) const { return Value(number); }
  std::expected<T, DecodingError> decode(const ValueReader& value) const {
    auto number = readInteger(value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(),
                              typeName());
    if (!number) return std::unexpected(std::move(number.error()));
    return static_cast<T>(*number);
  }
  static std::string typeName() {
    if constexpr (sizeof(T) == sizeof(std::int64_t)) return "Int";
    return "Int" + std::to_string(std::numeric_limits<T>::digits + 1);
  }
};

// The unsigned counterpart: an integral number from 0 to `max` (up to the
// largest UInt64, read exactly); anything else fails ("does not fit in
// UInt32").
std::expected<std::uint64_t, DecodingError> readUnsignedInteger(const ValueReader& value,
                                                                std::uint64_t max,
                                                                std::string_view typeName);

template <std::unsigned_integral T>
requires(sizeof(T) <= sizeof(std::uint64_t)) struct Unsigned {
  Value encode(T number, DateStrategy) const { return Value(number); }
  std::expected<T, DecodingError> decode(const ValueReader& value) const {
    auto number = readUnsignedInteger(value, std::numeric_limits<T>::max(),
                                      "UInt" + std::to_string(std::numeric_limits<T>::digits));
    if (!number) return std::unexpected(std::move(number.error()));
    return static_cast<T>(*number);
  }
};

struct Boolean {
  Value encode(bool flag, DateStrategy) const { return Value(flag); }
  std::expected<bool, DecodingError> decode(const ValueReader& value) const {
    return value.asBool();
  }
};

// Any finite number; a non-finite one cannot be written.
struct Real {
  Value encode(double number, DateStrategy) const { return Value(number); }
  std::expected<double, DecodingError> decode(const ValueReader& value) const {
    return value.asDouble();
  }
};

struct Text {
  Value encode(const std::string& text, DateStrategy) const { return Value(text); }
  std::expected<std::string, DecodingError> decode(const ValueReader& value) const {
    return value.asString();
  }
};

// Seconds by the date strategy of the writer and of the reader.
struct DateNumber {
  Value encode(Date date, DateStrategy dates) const { return encodeDate(date, dates); }
  std::expected<Date, DecodingError> decode(const ValueReader& value) const {
    return value.asDate();
  }
};

// Base64 text.
struct Base64Data {
  Value encode(const Bytes& bytes, DateStrategy) const;
  std::expected<Bytes, DecodingError> decode(const ValueReader& value) const {
    return value.asData();
  }
};

// Upper-case canonical text; any case is read.
struct UuidText {
  Value encode(const UUID& id, DateStrategy) const { return Value(id.uuidString()); }
  std::expected<UUID, DecodingError> decode(const ValueReader& value) const;
};

// An enumeration coded as its raw text, read back through `fromRawValue`;
// an unknown text fails the record. `rawValue(E)` must be visible to the kind.
template <typename E>
struct RawText {
  std::optional<E> (*fromRawValue)(std::string_view);

  Value encode(E value, DateStrategy) const { return Value(std::string(rawValue(value))); }
  std::expected<E, DecodingError> decode(const ValueReader& reader) const {
    auto text = reader.asString();
    if (!text) return std::unexpected(std::move(text.error()));
    auto value = fromRawValue(*text);
    if (!value) {
      return std::unexpected(
          reader.dataCorrupted("Cannot initialize from invalid String value " + *text));
    }
    return *value;
  }
};

// The type a kind reads.
template <typename Kind>
using DecodedBy = typename decltype(std::declval<const Kind&>().decode(
    std::declval<const ValueReader&>()))::value_type;

// An array whose elements are of `Element`'s kind; one bad element fails all.
template <typename Element>
struct ListOf {
  Element element{};

  template <typename T>
  Value encode(const std::vector<T>& items, DateStrategy dates) const {
    Value array = Value::array();
    for (const auto& item : items) array.push_back(element.encode(item, dates));
    return array;
  }
  std::expected<std::vector<DecodedBy<Element>>, DecodingError> decode(
      const ValueReader& value) const {
    auto elements = value.asArray();
    if (!elements) return std::unexpected(std::move(elements.error()));
    return readEach(*elements, [this](const ValueReader& item) { return element.decode(item); });
  }
};

// A set written as an array in the set's order; read in any order.
template <typename Element>
struct SetOf {
  Element element{};

  template <typename T>
  Value encode(const std::set<T>& items, DateStrategy dates) const {
    return ListOf<Element>{element}.encode(std::vector<T>(items.begin(), items.end()), dates);
  }
  std::expected<std::set<DecodedBy<Element>>, DecodingError> decode(
      const ValueReader& value) const {
    auto list = ListOf<Element>{element}.decode(value);
    if (!list) return std::unexpected(std::move(list.error()));
    return std::set<DecodedBy<Element>>(list->begin(), list->end());
  }
};

enum class Presence { required, defaulted };

// One row of a record's table.
template <typename Record>
struct Field {
  std::string name;
  // Puts the member into `object`, or nothing for an empty optional.
  std::function<void(const Record&, Value& object, DateStrategy)> write;
  // Reads the key into the member; fails the record on a bad value.
  std::function<std::expected<void, DecodingError>(const KeyedReader&, Record&)> read;
};

template <typename Record>
using RecordFields = std::vector<Field<Record>>;

namespace detail {
template <typename T>
struct IsOptional : std::false_type {};
template <typename T>
struct IsOptional<std::optional<T>> : std::true_type {};
}  // namespace detail

template <typename Record, typename Member, typename Kind>
Field<Record> field(std::string name, Member Record::*member, Kind kind,
                    Presence presence = Presence::required) {
  Field<Record> row;
  row.name = name;
  if constexpr (detail::IsOptional<Member>::value) {
    row.write = [name, member, kind](const Record& record, Value& object, DateStrategy dates) {
      if (const auto& value = record.*member) object[name] = kind.encode(*value, dates);
    };
    row.read = [name, member, kind](const KeyedReader& object,
                                    Record& record) -> std::expected<void, DecodingError> {
      const auto value = object.optional(name);
      if (!value) {
        record.*member = std::nullopt;
        return {};
      }
      auto decoded = kind.decode(*value);
      if (!decoded) return std::unexpected(std::move(decoded.error()));
      record.*member = std::move(*decoded);
      return {};
    };
  } else {
    row.write = [name, member, kind](const Record& record, Value& object, DateStrategy dates) {
      object[name] = kind.encode(record.*member, dates);
    };
    row.read = [name, member, kind, presence](
                   const KeyedReader& object,
                   Record& record) -> std::expected<void, DecodingError> {
      std::optional<ValueReader> value;
      if (presence == Presence::defaulted) {
        value = object.optional(name);
        if (!value) return {};
      } else {
        auto required = object.require(name);
        if (!required) return std::unexpected(std::move(required.error()));
        value = std::move(*required);
      }
      auto decoded = kind.decode(*value);
      if (!decoded) return std::unexpected(std::move(decoded.error()));
      record.*member = std::move(*decoded);
      return {};
    };
  }
  return row;
}

// The record as a JSON object, keys in table order.
template <typename Record>
Value encodeRecord(const Record& record, const RecordFields<Record>& fields,
                   DateStrategy dates = DateStrategy::secondsSinceReferenceDate) {
  Value object = Value::object();
  for (const auto& row : fields) row.write(record, object, dates);
  return object;
}

// The record read from a JSON object, starting from `record` (so its
// defaults apply to defaulted keys). Dates follow the reader's strategy.
template <typename Record>
std::expected<Record, DecodingError> decodeRecord(const ValueReader& value,
                                                  const RecordFields<Record>& fields,
                                                  Record record = Record{}) {
  auto object = value.asObject();
  if (!object) return std::unexpected(std::move(object.error()));
  for (const auto& row : fields) {
    if (auto read = row.read(*object, record); !read)
      return std::unexpected(std::move(read.error()));
  }
  return record;
}

// A nested record as a value of another record.
template <typename Record>
struct RecordOf {
  const RecordFields<Record>& (*fields)();
  // The record each read starts from (its defaults).
  Record start{};

  Value encode(const Record& record, DateStrategy dates) const {
    return encodeRecord(record, fields(), dates);
  }
  std::expected<Record, DecodingError> decode(const ValueReader& value) const {
    return decodeRecord(value, fields(), start);
  }
};

}  // namespace vigilix::platform::json
