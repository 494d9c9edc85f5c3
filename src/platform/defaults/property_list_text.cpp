#include "platform/defaults/property_list_text.h"

namespace vigilix::platform::plist_text {

namespace {

// The code point starting at `i` and its length, or length 0 when the bytes
// there are not strict UTF-8.
struct Decoded {
  std::uint32_t codePoint = 0;
  std::size_t length = 0;
};

Decoded decodeAt(std::string_view bytes, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(bytes[k]); };
  const std::uint8_t lead = byte(i);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  std::uint32_t cp = 0;
  std::uint32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, cp = lead & 0x1Fu, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, cp = lead & 0x0Fu, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, cp = lead & 0x07u, minimum = 0x10000;
  } else {
    return {};
  }
  if (bytes.size() - i < length) return {};
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return {};
    cp = (cp << 6) | (byte(i + k) & 0x3Fu);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
  return {cp, length};
}

}  // namespace

bool isUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto decoded = decodeAt(bytes, i);
    if (decoded.length == 0) return false;
    i += decoded.length;
  }
  return true;
}

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
    const auto decoded = decodeAt(utf8, i);
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
