#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "platform/base/property_value.h"

namespace vigilix::platform {

enum class PropertyListFormat { Xml, Binary };

// Containers nested deeper than this are refused rather than recursed into.
inline constexpr int kPropertyListMaxDepth = 256;

// Reads a binary ("bplist00") or XML property list. Whatever decodes encodes
// again in the binary format and reads back equal; what cannot be read
// exactly is an error, never a changed value.
std::expected<PropertyValue, std::string> decodePropertyList(std::string_view bytes);

// The binary format holds every value; XML refuses dates that are not whole
// seconds. Both refuse nesting deeper than kPropertyListMaxDepth.
std::expected<std::string, std::string> encodePropertyList(const PropertyValue& value,
                                                           PropertyListFormat format);

}  // namespace vigilix::platform
