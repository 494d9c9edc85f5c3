#include "platform/defaults/property_list_codec.h"

#include "platform/defaults/binary_property_list.h"
#include "platform/defaults/xml_property_list.h"

namespace vigilix::platform {

std::expected<PropertyValue, std::string> decodePropertyList(std::string_view bytes) {
  if (bytes.empty()) return std::unexpected("empty property list");
  if (bytes.starts_with("bplist")) return decodeBinaryPropertyList(bytes);
  return decodeXmlPropertyList(bytes);
}

std::expected<std::string, std::string> encodePropertyList(const PropertyValue& value,
                                                           PropertyListFormat format) {
  return format == PropertyListFormat::Binary ? encodeBinaryPropertyList(value)
                                              : encodeXmlPropertyList(value);
}

}  // namespace vigilix::platform
