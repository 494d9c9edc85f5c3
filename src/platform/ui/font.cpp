#include "platform/ui/font.h"

#include <cmath>

namespace vigilix::platform {

namespace {

// Code points, not bytes: a multi-byte character advances like any other.
std::size_t codePointCount(const std::string& text) {
  std::size_t count = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++count;
  }
  return count;
}

}  // namespace

Size Font::sizeOfText(const std::string& text) const {
  double width = std::ceil(static_cast<double>(codePointCount(text)) * pointSize_ * 0.55);
  return Size{width, std::ceil(lineHeight())};
}

}  // namespace vigilix::platform
