#include "policy/policy_key.h"

#include <array>
#include <utility>

#include "platform/base/raw_values.h"

namespace vigilix {

namespace {

constexpr std::array<std::pair<VGXPolicyValueType, std::string_view>, 5> kTypeNames{{
    {VGXPolicyValueType::Bool, "bool"},
    {VGXPolicyValueType::Int, "int"},
    {VGXPolicyValueType::Double, "double"},
    {VGXPolicyValueType::Data, "data"},
    {VGXPolicyValueType::String, "string"},
}};

constexpr std::array<std::pair<VGXPolicyStrictness, std::string_view>, 4> kStrictnessNames{{
    {VGXPolicyStrictness::HigherIsStricter, "higherIsStricter"},
    {VGXPolicyStrictness::LowerIsStricter, "lowerIsStricter"},
    {VGXPolicyStrictness::TrueIsStricter, "trueIsStricter"},
    {VGXPolicyStrictness::None, "none"},
}};

}  // namespace

std::string_view rawValue(VGXPolicyValueType type) {
  return platform::rawValueIn(kTypeNames, type);
}

std::string_view rawValue(VGXPolicyStrictness strictness) {
  return platform::rawValueIn(kStrictnessNames, strictness);
}

std::optional<VGXPolicyValueType> policyValueTypeFromRawValue(std::string_view raw) {
  return platform::caseWithRawValue<VGXPolicyValueType>(kTypeNames, raw);
}

std::optional<VGXPolicyStrictness> policyStrictnessFromRawValue(std::string_view raw) {
  return platform::caseWithRawValue<VGXPolicyStrictness>(kStrictnessNames, raw);
}

}  // namespace vigilix

std::size_t std::hash<vigilix::VGXPolicyKey>::operator()(
    const vigilix::VGXPolicyKey& key) const noexcept {
  std::size_t seed = 0;
  auto combine = [&seed](std::string_view part) {
    seed ^= std::hash<std::string_view>{}(part) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
  };
  combine(key.name);
  combine(vigilix::rawValue(key.type));
  combine(vigilix::rawValue(key.strictness));
  combine(key.summary);
  return seed;
}
