#include "platform/base/utf8.h"

namespace vigilix::platform {

Utf8Decoded decodeUtf8At(std::string_view bytes, std::size_t i) {
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

bool isUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto decoded = decodeUtf8At(bytes, i);
    if (decoded.length == 0) return false;
    i += decoded.length;
  }
  return true;
}

}  // namespace vigilix::platform
