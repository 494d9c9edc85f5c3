#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "platform/base/property_value.h"

namespace vigilix::platform {

enum class PropertyListFormat { Xml, Binary };

// Reads a binary or XML property list.
std::expected<PropertyValue, std::string> decodePropertyList(std::string_view bytes);

// Refuses what the format cannot hold exactly rather than write something
// else: dates outside the years 1933 to 2069, text with a NUL character.
std::expected<std::string, std::string> encodePropertyList(const PropertyValue& value,
                                                           PropertyListFormat format);

}  // namespace vigilix::platform
