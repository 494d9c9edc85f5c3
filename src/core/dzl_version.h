#pragma once

#include <optional>
#include <string>

#include "platform/base/property_value.h"

namespace vigilix {

inline constexpr const char* kDZLShortVersionKey = "CFBundleShortVersionString";
inline constexpr const char* kDZLBuildVersionKey = "CFBundleVersion";
inline constexpr const char* kDZLCopyrightKey = "NSHumanReadableCopyright";

// Version texts from a bundle's information dictionary. A missing entry, or
// one that is not text, gives none.
namespace DZLVersion {

std::optional<std::string> dzl_shortVersionString(const platform::PropertyDictionary& info);
std::optional<std::string> dzl_buildVersionString(const platform::PropertyDictionary& info);
// "<short> (<build>)"; a missing part is left empty.
std::string dzl_fullVersionString(const platform::PropertyDictionary& info);
std::optional<std::string> dzl_localizedCopyrightString(const platform::PropertyDictionary& info);

}  // namespace DZLVersion
}  // namespace vigilix
