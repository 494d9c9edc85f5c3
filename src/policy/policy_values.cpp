#include <cmath>
#include <compare>

#include "platform/defaults/user_defaults.h"
#include "policy/policy_table.h"

namespace vigilix::VGXPolicy {

namespace {

using platform::PropertyValue;

// Compares two numbers exactly (integers as integers), or none when either is
// not a finite number.
std::optional<std::partial_ordering> compareNumbers(const PropertyValue& a,
                                                    const PropertyValue& b) {
  if (a.isInteger() && b.isInteger())
    return std::get<std::int64_t>(a.value) <=> std::get<std::int64_t>(b.value);
  auto da = doubleValue(a);
  auto db = doubleValue(b);
  if (!da || !db) return std::nullopt;
  return *da <=> *db;
}

}  // namespace

std::optional<bool> boolValue(const Value& value) {
  if (!value) return std::nullopt;
  if (value->isBool()) return std::get<bool>(value->value);
  // Stricter than the defaults getters: a managed 2 or 0.5 is a mistake in
  // the profile, not a Boolean, so it forces nothing.
  if (value->isInteger()) {
    std::int64_t number = std::get<std::int64_t>(value->value);
    if (number <= 1) return number == 1;
    return std::nullopt;
  }
  if (value->isReal()) {
    double number = std::get<double>(value->value);
    if (std::isfinite(number) && number == std::trunc(number) && number <= 1.0)
      return number == 1.0;
  }
  return std::nullopt;
}

std::optional<std::int64_t> intValue(const Value& value) {
  if (!value) return std::nullopt;
  if (value->isInteger()) return std::get<std::int64_t>(value->value);
  if (value->isReal()) {
    double number = std::trunc(std::get<double>(value->value));
    // Converting a double beyond the 64-bit range is undefined.
    if (!std::isfinite(number) || number >= 9223372036854775808.0 ||
        number < -9223372036854775808.0)
      return std::nullopt;
    return static_cast<std::int64_t>(number);
  }
  return std::nullopt;
}

std::optional<double> doubleValue(const Value& value) {
  if (!value) return std::nullopt;
  if (value->isInteger()) return static_cast<double>(std::get<std::int64_t>(value->value));
  if (value->isReal()) {
    double number = std::get<double>(value->value);
    if (std::isfinite(number)) return number;
  }
  return std::nullopt;
}

Value normalized(const Value& value, const VGXPolicyKey& row) {
  if (!value) return std::nullopt;
  const bool nonFiniteReal = value->isReal() && !std::isfinite(std::get<double>(value->value));
  switch (row.type) {
    case VGXPolicyValueType::Bool:
      if (auto flag = boolValue(value)) return PropertyValue(*flag);
      return value;
    case VGXPolicyValueType::Int:
      if (nonFiniteReal) return std::nullopt;
      if (auto number = intValue(value)) return PropertyValue(*number);
      return value;
    case VGXPolicyValueType::Double:
      if (nonFiniteReal) return std::nullopt;
      if (auto number = doubleValue(value)) return PropertyValue(*number);
      return value;
    case VGXPolicyValueType::Data:
    case VGXPolicyValueType::String:
      return value;
  }
  return value;
}

Value stricterValue(const VGXPolicyKey& row, const Value& firstValue, const Value& secondValue,
                    const Value& fallback) {
  const Value first = normalized(firstValue, row);
  const Value second = normalized(secondValue, row);
  if (!first) return second ? second : fallback;
  if (!second) return first;

  switch (row.strictness) {
    case VGXPolicyStrictness::HigherIsStricter: {
      auto order = compareNumbers(*first, *second);
      return (order && *order == std::partial_ordering::less) ? second : first;
    }
    case VGXPolicyStrictness::LowerIsStricter: {
      auto order = compareNumbers(*first, *second);
      return (order && *order == std::partial_ordering::greater) ? second : first;
    }
    case VGXPolicyStrictness::TrueIsStricter: {
      auto a = boolValue(first);
      auto b = boolValue(second);
      if (!a || !b) return first;
      return PropertyValue(*a || *b);
    }
    case VGXPolicyStrictness::None:
      return first;
  }
  return first;
}

}  // namespace vigilix::VGXPolicy
