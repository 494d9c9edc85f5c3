#pragma once

// The field tables behind the guard records' JSON coding, and the raw-text
// tables of their enumerations. Each record lists its keys and members once,
// and that one list drives both directions. Private to this folder.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>

#include "platform/base/property_value.h"
#include "platform/json/json_reader.h"
#include "platform/json/json_writer.h"
#include "platform/json/value_reader.h"

namespace vigilix::guard_fields {

namespace json = platform::json;

// The case of a raw-value enumeration whose raw texts are listed in case
// order; none for any other text.
template <typename E, std::size_t N>
std::optional<E> fromRawTable(const std::array<std::string_view, N>& table, std::string_view raw) {
  for (std::size_t i = 0; i < N; ++i) {
    if (table[i] == raw) return static_cast<E>(i);
  }
  return std::nullopt;
}

template <typename Record, typename T>
struct Field {
  std::string_view key;
  T Record::*member;
};

// Raw-text enumerations name their conversions here.
template <typename E>
struct RawText;

template <typename T>
struct IsOptional : std::false_type {};
template <typename T>
struct IsOptional<std::optional<T>> : std::true_type {};

// An integral JSON number that fits T exactly. Integral doubles (1800.0)
// are accepted like the platform's Int reader does.
template <typename T>
std::expected<T, json::DecodingError> readInteger(const json::ValueReader& reader) {
  const json::Value& v = reader.value();
  if (!v.is_number()) {
    auto wrongType = reader.asDouble();  // gives the platform's type-mismatch error
    if (!wrongType) return std::unexpected(wrongType.error());
  }
  bool fits = false;
  T out{};
  if (v.is_number_unsigned()) {
    auto u = v.get<std::uint64_t>();
    fits = u <= static_cast<std::uint64_t>(std::numeric_limits<T>::max());
    out = static_cast<T>(u);
  } else if (v.is_number_integer()) {
    auto i = v.get<std::int64_t>();
    fits = std::in_range<T>(i);
    out = static_cast<T>(i);
  } else {
    double d = v.get<double>();
    // Compared as long double so that the bounds of 64-bit types are exact.
    const auto lowest = static_cast<long double>(std::numeric_limits<T>::min());
    const auto limit = static_cast<long double>(std::numeric_limits<T>::max()) + 1.0L;
    fits = std::isfinite(d) && std::trunc(d) == d && d >= lowest && d < limit;
    if (fits) out = static_cast<T>(d);
  }
  if (!fits) {
    return std::unexpected(reader.dataCorrupted("Parsed JSON number <" + v.dump() +
                                                "> does not fit the field's integer type."));
  }
  return out;
}

template <typename T>
std::expected<T, json::DecodingError> readValue(const json::ValueReader& reader) {
  if constexpr (std::is_same_v<T, std::string>) {
    return reader.asString();
  } else if constexpr (std::is_same_v<T, bool>) {
    return reader.asBool();
  } else if constexpr (std::is_integral_v<T>) {
    return readInteger<T>(reader);
  } else {
    auto text = reader.asString();
    if (!text) return std::unexpected(text.error());
    auto value = RawText<T>::from(*text);
    if (!value) {
      return std::unexpected(
          reader.dataCorrupted("Cannot initialize from invalid String value " + *text));
    }
    return *value;
  }
}

template <typename T>
json::Value writeValue(const T& value) {
  if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, bool> ||
                std::is_integral_v<T>) {
    return json::Value(value);
  } else {
    return json::Value(std::string(RawText<T>::raw(value)));
  }
}

template <typename Record, typename Fields>
std::expected<platform::Bytes, json::EncodingError> encode(const Record& record,
                                                           const Fields& fields) {
  json::Value object = json::Value::object();
  std::apply(
      [&](const auto&... field) {
        auto put = [&](const auto& f) {
          const auto& member = record.*(f.member);
          using T = std::remove_cvref_t<decltype(member)>;
          if constexpr (IsOptional<T>::value) {
            if (member) object[std::string(f.key)] = writeValue(*member);
          } else {
            object[std::string(f.key)] = writeValue(member);
          }
        };
        (put(field), ...);
      },
      fields);
  auto text = json::write(object);
  if (!text) return std::unexpected(text.error());
  return platform::Bytes(text->begin(), text->end());
}

template <typename Record, typename Fields>
std::expected<Record, json::DecodingError> decode(const platform::Bytes& data,
                                                  const Fields& fields) {
  auto document = json::parse(data);
  if (!document) return std::unexpected(document.error());
  auto object = json::ValueReader(*document).asObject();
  if (!object) return std::unexpected(object.error());
  Record record{};
  std::optional<json::DecodingError> failure;
  std::apply(
      [&](const auto&... field) {
        auto take = [&](const auto& f) {
          if (failure) return;
          auto& member = record.*(f.member);
          using T = std::remove_cvref_t<decltype(member)>;
          if constexpr (IsOptional<T>::value) {
            auto reader = object->optional(f.key);
            if (!reader || reader->isNull()) return;
            auto value = readValue<typename T::value_type>(*reader);
            if (!value) return void(failure = value.error());
            member = std::move(*value);
          } else {
            auto reader = object->require(f.key);
            if (!reader) return void(failure = reader.error());
            auto value = readValue<T>(*reader);
            if (!value) return void(failure = value.error());
            member = std::move(*value);
          }
        };
        (take(field), ...);
      },
      fields);
  if (failure) return std::unexpected(std::move(*failure));
  return record;
}

}  // namespace vigilix::guard_fields
