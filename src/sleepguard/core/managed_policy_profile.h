#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "platform/base/property_value.h"

namespace vigilix {

// The most bytes a managed profile may hold.
inline constexpr std::size_t kVGXProfileSizeLimit = 65536;
// Battery floors are kept within these percentages, managed battery caps within these hours.
inline constexpr std::int64_t kVGXLowestBatteryFloorPercent = 20;
inline constexpr std::int64_t kVGXHighestBatteryFloorPercent = 60;
inline constexpr std::int64_t kVGXShortestManagedCapHours = 1;
inline constexpr std::int64_t kVGXLongestManagedCapHours = 6;

// The outcome of reading one managed profile file.
struct VGXProfileRead {
  enum class Kind { data, absent, unreadable };
  Kind kind = Kind::absent;
  platform::Bytes bytes;  // with `data`

  static VGXProfileRead data(platform::Bytes bytes) { return {Kind::data, std::move(bytes)}; }
  static VGXProfileRead absent() { return {Kind::absent, {}}; }
  static VGXProfileRead unreadable() { return {Kind::unreadable, {}}; }

  // Reads `path` without following a link: a missing file is absent; a link, anything but a
  // regular file, more than kVGXProfileSizeLimit bytes or a read error is unreadable. Owner
  // and mode are not examined (the folder belongs to the profile mechanism).
  static VGXProfileRead load(const std::filesystem::path& path);

  bool operator==(const VGXProfileRead&) const = default;
};

// What one profile forces for closed-lid mode.
struct VGXManagedLidValues {
  bool disabled = false;
  std::optional<std::int64_t> batteryFloorPercent;  // clamped to the floor range
  std::optional<std::int64_t> batteryCapHours;      // clamped to the managed cap range

  bool operator==(const VGXManagedLidValues&) const = default;
};

// No value when the profile is unreadable, is not a property list with a dictionary at the top,
// or holds a key of the wrong kind ("VGXDisableClosedLidMode" must be a Boolean, the floor and
// cap whole numbers that are not Booleans). An absent profile forces nothing.
std::optional<VGXManagedLidValues> interpretProfile(const VGXProfileRead& profile);

}  // namespace vigilix
