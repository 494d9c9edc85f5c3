#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vigilix::platform {

// The code point starting at `i` and its length in bytes, or length 0 when the bytes there are
// not strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
struct Utf8Decoded {
  std::uint32_t codePoint = 0;
  std::size_t length = 0;
};
Utf8Decoded decodeUtf8At(std::string_view bytes, std::size_t i);

// Whether every byte belongs to strict UTF-8.
bool isUtf8(std::string_view bytes);

}  // namespace vigilix::platform
