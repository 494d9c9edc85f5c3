#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/base/date.h"

namespace vigilix::platform {

struct PropertyValue;
using PropertyArray = std::vector<PropertyValue>;
using PropertyDictionary = std::map<std::string, PropertyValue>;
using Bytes = std::vector<std::uint8_t>;

// A property-list value. Booleans, integers and reals are distinct kinds:
// a Bool is never read as a number, nor a number as a Bool.
struct PropertyValue {
  using Storage = std::variant<bool, std::int64_t, double, std::string, Bytes, Date, PropertyArray,
                               PropertyDictionary>;
  Storage value;

  PropertyValue() : value(false) {}
  PropertyValue(bool v) : value(v) {}  // NOLINT(google-explicit-constructor)
  PropertyValue(int v) : value(static_cast<std::int64_t>(v)) {}  // NOLINT
  PropertyValue(std::int64_t v) : value(v) {}                    // NOLINT
  PropertyValue(double v) : value(v) {}                          // NOLINT
  PropertyValue(std::string v) : value(std::move(v)) {}          // NOLINT
  PropertyValue(const char* v) : value(std::string(v)) {}        // NOLINT
  PropertyValue(Bytes v) : value(std::move(v)) {}                // NOLINT
  PropertyValue(Date v) : value(v) {}                            // NOLINT
  PropertyValue(PropertyArray v) : value(std::move(v)) {}        // NOLINT
  PropertyValue(PropertyDictionary v) : value(std::move(v)) {}   // NOLINT

  bool isBool() const { return std::holds_alternative<bool>(value); }
  bool isInteger() const { return std::holds_alternative<std::int64_t>(value); }
  bool isReal() const { return std::holds_alternative<double>(value); }
  bool isNumber() const { return isInteger() || isReal(); }
  bool isString() const { return std::holds_alternative<std::string>(value); }
  bool isData() const { return std::holds_alternative<Bytes>(value); }
  bool isDictionary() const { return std::holds_alternative<PropertyDictionary>(value); }

  bool operator==(const PropertyValue&) const = default;
};

// One-line text of a value for logs and test output, for example
// {"a": [1, 2.5, true], "d": <0aff>, "t": 2001-01-01 00:00:00 +0000}.
// Kinds stay visible: integers without a point, reals with one, data in
// angle brackets, texts quoted.
std::string debugDescription(const PropertyValue& value);
void PrintTo(const PropertyValue& value, std::ostream* os);

}  // namespace vigilix::platform
