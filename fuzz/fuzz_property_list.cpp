// Any bytes either fail to decode as a property list or decode to a value
// that encodes in the binary format, reads back the same and encodes to the
// same bytes again; what the XML format accepts reads back the same too.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/defaults/property_list_codec.h"

namespace {

using vigilix::platform::PropertyValue;

// Equality that takes every not-a-number as the same (XML keeps no payload).
bool same(const PropertyValue& a, const PropertyValue& b);

bool sameReal(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

bool same(const PropertyValue& a, const PropertyValue& b) {
  if (a.value.index() != b.value.index()) return false;
  if (const auto* real = std::get_if<double>(&a.value)) {
    return sameReal(*real, std::get<double>(b.value));
  }
  if (const auto* date = std::get_if<vigilix::platform::Date>(&a.value)) {
    return sameReal(date->timeIntervalSinceReferenceDate(),
                    std::get<vigilix::platform::Date>(b.value).timeIntervalSinceReferenceDate());
  }
  if (const auto* array = std::get_if<vigilix::platform::PropertyArray>(&a.value)) {
    const auto& other = std::get<vigilix::platform::PropertyArray>(b.value);
    if (array->size() != other.size()) return false;
    for (std::size_t i = 0; i < array->size(); ++i) {
      if (!same((*array)[i], other[i])) return false;
    }
    return true;
  }
  if (const auto* dict = std::get_if<vigilix::platform::PropertyDictionary>(&a.value)) {
    const auto& other = std::get<vigilix::platform::PropertyDictionary>(b.value);
    if (dict->size() != other.size()) return false;
    for (auto i = dict->begin(), j = other.begin(); i != dict->end(); ++i, ++j) {
      if (i->first != j->first || !same(i->second, j->second)) return false;
    }
    return true;
  }
  return a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using vigilix::platform::PropertyListFormat;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto decoded = vigilix::platform::decodePropertyList(bytes);
  if (!decoded) return 0;

  const auto binary = vigilix::platform::encodePropertyList(*decoded, PropertyListFormat::Binary);
  if (!binary) std::abort();  // what was read must be writable
  const auto again = vigilix::platform::decodePropertyList(*binary);
  if (!again || !same(*again, *decoded)) std::abort();
  if (vigilix::platform::encodePropertyList(*again, PropertyListFormat::Binary) != binary) {
    std::abort();
  }

  if (const auto xml = vigilix::platform::encodePropertyList(*decoded, PropertyListFormat::Xml)) {
    const auto fromXml = vigilix::platform::decodePropertyList(*xml);
    if (!fromXml || !same(*fromXml, *decoded)) std::abort();
  }
  return 0;
}
