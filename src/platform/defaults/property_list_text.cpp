#include "platform/defaults/property_list_text.h"

#include "platform/base/utf8.h"

namespace vigilix::platform::plist_text {

bool isAscii(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<std::uint8_t>(c) >= 0x80) return false;
  }
  return true;
}

void appendCodePoint(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::u16string utf16Of(std::string_view utf8) {
  std::u16string units;
  units.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto decoded = decodeUtf8At(utf8, i);
    if (decoded.length == 0) break;  // callers check isUtf8 first
    i += decoded.length;
    if (decoded.codePoint < 0x10000) {
      units += static_cast<char16_t>(decoded.codePoint);
    } else {
      const std::uint32_t v = decoded.codePoint - 0x10000;
      units += static_cast<char16_t>(0xD800 + (v >> 10));
      units += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
    }
  }
  return units;
}

std::string utf8Of(std::u16string_view units) {
  std::string out;
  out.reserve(units.size() * 3);
  for (std::size_t i = 0; i < units.size(); ++i) {
    const std::uint32_t unit = units[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      appendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00u));
      ++i;
    } else {
      appendCodePoint(out, unit);
    }
  }
  return out;
}

}  // namespace vigilix::platform::plist_text
