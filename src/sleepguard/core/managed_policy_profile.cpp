#include "sleepguard/core/managed_policy_profile.h"

#include <fcntl.h>

#include <algorithm>
#include <cmath>
#include <string_view>

#include "platform/defaults/property_list_codec.h"
#include "platform/fs/descriptor_calls.h"
#include "platform/fs/file_facts.h"

namespace vigilix {

namespace {

constexpr std::string_view kDisableKey = "VGXDisableClosedLidMode";
constexpr std::string_view kFloorKey = "VGXClosedLidBatteryFloor";
constexpr std::string_view kCapKey = "VGXClosedLidBatteryCapHours";

// A key's value in one of three states: missing, present and usable, or of the wrong kind.
template <class T>
struct Field {
  static Field missing() { return {false, std::nullopt}; }
  static Field wrongKind() { return {true, std::nullopt}; }
  static Field of(T value) { return {false, value}; }

  bool invalid;
  std::optional<T> value;
};

const platform::PropertyValue* find(const platform::PropertyDictionary& values,
                                    std::string_view key) {
  const auto found = values.find(std::string(key));
  return found == values.end() ? nullptr : &found->second;
}

Field<bool> booleanField(const platform::PropertyDictionary& values, std::string_view key) {
  const auto* value = find(values, key);
  if (value == nullptr) return Field<bool>::missing();
  if (!value->isBool()) return Field<bool>::wrongKind();
  return Field<bool>::of(std::get<bool>(value->value));
}

// A whole number: an integer, or a real without a fraction that fits; never a Boolean.
Field<std::int64_t> wholeNumberField(const platform::PropertyDictionary& values,
                                     std::string_view key, std::int64_t low, std::int64_t high) {
  const auto* value = find(values, key);
  if (value == nullptr) return Field<std::int64_t>::missing();
  std::int64_t whole = 0;
  if (value->isInteger()) {
    whole = std::get<std::int64_t>(value->value);
  } else if (value->isReal()) {
    const double real = std::get<double>(value->value);
    if (!std::isfinite(real) || std::trunc(real) != real || real < -9.2e18 || real > 9.2e18) {
      return Field<std::int64_t>::wrongKind();
    }
    whole = static_cast<std::int64_t>(real);
  } else {
    return Field<std::int64_t>::wrongKind();
  }
  return Field<std::int64_t>::of(std::clamp(whole, low, high));
}

}  // namespace

VGXProfileRead VGXProfileRead::load(const std::filesystem::path& path) {
  // Non-blocking, so that a FIFO in a profile's place cannot stall the policy check.
  auto opened = platform::openAt(AT_FDCWD, path.string(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
  if (!opened) return opened.error() == ENOENT ? absent() : unreadable();
  auto facts = platform::factsOf(opened->get());
  if (!facts || !facts->isRegularFile || facts->size > kVGXProfileSizeLimit) return unreadable();
  auto bytes = platform::readAtMost(opened->get(), kVGXProfileSizeLimit);
  if (!bytes) return unreadable();
  return data(std::move(*bytes));
}

std::optional<VGXManagedLidValues> interpretProfile(const VGXProfileRead& profile) {
  switch (profile.kind) {
    case VGXProfileRead::Kind::absent:
      return VGXManagedLidValues{};
    case VGXProfileRead::Kind::unreadable:
      return std::nullopt;
    case VGXProfileRead::Kind::data:
      break;
  }
  auto decoded = platform::decodePropertyList(
      std::string_view(reinterpret_cast<const char*>(profile.bytes.data()), profile.bytes.size()));
  if (!decoded || !decoded->isDictionary()) return std::nullopt;
  const auto& values = std::get<platform::PropertyDictionary>(decoded->value);

  const auto disabled = booleanField(values, kDisableKey);
  const auto floor = wholeNumberField(values, kFloorKey, kVGXLowestBatteryFloorPercent,
                                      kVGXHighestBatteryFloorPercent);
  const auto cap =
      wholeNumberField(values, kCapKey, kVGXShortestManagedCapHours, kVGXLongestManagedCapHours);
  if (disabled.invalid || floor.invalid || cap.invalid) return std::nullopt;
  return VGXManagedLidValues{disabled.value.value_or(false), floor.value, cap.value};
}

}  // namespace vigilix
