#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/base/date.h"
#include "platform/base/property_value.h"
#include "platform/json/date_strategy.h"
#include "platform/json/value.h"

namespace vigilix::platform::json {

// Builds a JSON object member by member, in the order of the calls (the
// declaration order when the writer does not sort). Optional members that
// hold nothing are left out, never written as null. Dates follow the
// builder's strategy; data is written as Base64.
class ObjectBuilder {
 public:
  explicit ObjectBuilder(DateStrategy dates = DateStrategy::secondsSinceReferenceDate)
      : object_(Value::object()), dates_(dates) {}

  ObjectBuilder& set(std::string_view key, Value value);
  ObjectBuilder& set(std::string_view key, const char* text) { return set(key, Value(text)); }
  ObjectBuilder& setDate(std::string_view key, Date date);
  ObjectBuilder& setData(std::string_view key, const Bytes& bytes);

  template <typename T>
  ObjectBuilder& setOptional(std::string_view key, const std::optional<T>& value) {
    if (value) set(key, Value(*value));
    return *this;
  }
  ObjectBuilder& setOptionalDate(std::string_view key, const std::optional<Date>& date);
  ObjectBuilder& setOptionalData(std::string_view key, const std::optional<Bytes>& bytes);

  const Value& value() const { return object_; }
  // Hands over the object; the builder is empty afterwards.
  Value build() { return std::exchange(object_, Value::object()); }

 private:
  Value object_;
  DateStrategy dates_;
};

}  // namespace vigilix::platform::json
