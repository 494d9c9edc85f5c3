#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vigilix {

enum class VGXPolicyValueType { Bool, Int, Double, Data, String };

// How two values of one setting compare in strictness.
enum class VGXPolicyStrictness { HigherIsStricter, LowerIsStricter, TrueIsStricter, None };

std::string_view rawValue(VGXPolicyValueType type);
std::string_view rawValue(VGXPolicyStrictness strictness);
// Exact, case-sensitive raw values only.
std::optional<VGXPolicyValueType> policyValueTypeFromRawValue(std::string_view raw);
std::optional<VGXPolicyStrictness> policyStrictnessFromRawValue(std::string_view raw);

// One setting that administrators can force.
struct VGXPolicyKey {
  std::string name;
  VGXPolicyValueType type = VGXPolicyValueType::Bool;
  VGXPolicyStrictness strictness = VGXPolicyStrictness::None;
  std::string summary;

  bool operator==(const VGXPolicyKey&) const = default;
};

}  // namespace vigilix

template <>
struct std::hash<vigilix::VGXPolicyKey> {
  std::size_t operator()(const vigilix::VGXPolicyKey& key) const noexcept;
};
