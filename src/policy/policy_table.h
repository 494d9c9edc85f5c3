#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "platform/base/property_value.h"
#include "policy/policy_key.h"

namespace vigilix {

// The settings that administrators can force, and how their values merge.
namespace VGXPolicy {

// Every forcible setting, in the order the watcher observes them. Built once,
// read-only afterwards.
const std::vector<VGXPolicyKey>& keys();
// The row with exactly this name, or none.
const VGXPolicyKey* key(std::string_view named);

using Value = std::optional<platform::PropertyValue>;

// A managed Boolean: a Bool itself; an exact integer up to 1 is true when it
// is 1, false otherwise; anything else (2, 0.5, text) forces nothing. The
// plain defaults getters read any non-zero number as true instead
// (platform::booleanOf); both agree on 0 and 1.
std::optional<bool> boolValue(const Value& value);
// A number's integer value (a real truncated towards zero); none for
// anything else, and for a real that is not finite or out of range.
std::optional<std::int64_t> intValue(const Value& value);
// A number's value as a double; none for anything else, also for a real
// that is not finite.
std::optional<double> doubleValue(const Value& value);

// The value in the row's type when it converts; otherwise unchanged. A real
// that is not finite, for a number row, counts as no value.
Value normalized(const Value& value, const VGXPolicyKey& row);

// Merges two values of the row by its strictness (after normalizing both):
// `second` or else `fallback` when `first` is absent; `first` when `second`
// is absent; otherwise the stricter, or `first` when they do not compare.
Value stricterValue(const VGXPolicyKey& row, const Value& first, const Value& second,
                    const Value& fallback);

}  // namespace VGXPolicy
}  // namespace vigilix
