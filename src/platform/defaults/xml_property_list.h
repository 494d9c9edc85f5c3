#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "platform/base/property_value.h"

namespace vigilix::platform {

// The XML property-list format. Texts keep their bytes as read (a NUL or a
// byte that is not UTF-8 included) after the five named and the numeric
// character references are resolved. Dates are whole UTC seconds
// ("2026-01-05T09:00:00Z", any year with a sign); integers are decimal or
// "0x" hexadecimal and must fit 64 bits; reals accept "nan" and "[+-]inf[inity]".
// Anything else, and nesting deeper than kPropertyListMaxDepth, is an error.
std::expected<PropertyValue, std::string> decodeXmlPropertyList(std::string_view bytes);

// Refuses a date the format cannot hold exactly (a fraction of a second,
// not finite, or beyond the years the reader takes).
std::expected<std::string, std::string> encodeXmlPropertyList(const PropertyValue& value);

}  // namespace vigilix::platform
