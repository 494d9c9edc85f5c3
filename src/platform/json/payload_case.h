#pragma once

#include <expected>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/json/coding_errors.h"
#include "platform/json/value.h"
#include "platform/json/value_reader.h"

namespace vigilix::platform::json {

// Enumerations with payloads are stored as an object with one key, the case
// name, whose value is an object of the payload's fields ({} for a case
// without payload); an unnamed payload field is stored under "_0".
inline constexpr const char* kUnnamedPayloadKey = "_0";
inline constexpr const char* kInvalidNumberOfKeys = "Invalid number of keys found, expected one.";

// {caseName: payload}.
Value payloadCase(std::string_view caseName, Value payload = Value::object());
// {"_0": value}.
Value unnamedPayload(Value value);

struct PayloadCase {
  std::string name;
  ValueReader payload;  // the member's value; the caller reads it as an object
};

// Reads which case a one-key object holds. Only keys that name one of
// `caseNames` count; with none or more than one, fails with typeMismatch
// "Invalid number of keys found, expected one." at the object's path. A value
// that is not an object fails with typeMismatch too.
std::expected<PayloadCase, DecodingError> readPayloadCase(
    const ValueReader& value, std::initializer_list<std::string_view> caseNames);

}  // namespace vigilix::platform::json
