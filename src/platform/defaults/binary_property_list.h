#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "platform/base/property_value.h"

namespace vigilix::platform {

// The binary property-list format ("bplist00"). Every value is kept exactly:
// integers of 1 to 8 bytes (and 16-byte ones that fit 64 bits), reals and
// dates as the stored doubles, texts as their bytes (UTF-16 texts as UTF-8).
// Null, UID and set objects, cycles, objects outside the file and deeper
// nesting than kPropertyListMaxDepth are errors.
std::expected<PropertyValue, std::string> decodeBinaryPropertyList(std::string_view bytes);

// Writes UTF-8 texts as ASCII or UTF-16 and any other bytes as they are, so
// that whatever was read writes back and reads the same.
std::expected<std::string, std::string> encodeBinaryPropertyList(const PropertyValue& value);

}  // namespace vigilix::platform
