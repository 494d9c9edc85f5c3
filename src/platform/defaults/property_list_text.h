#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vigilix::platform::plist_text {

// Property-list texts are kept as the bytes that were read: a text that is
// not UTF-8 (Latin-1 written by another program) must survive a rewrite.

bool isAscii(std::string_view bytes);

// Appends one code point (surrogates included, as three bytes) in UTF-8.
void appendCodePoint(std::string& out, std::uint32_t codePoint);

// UTF-16 code units of strict UTF-8 text (checked with platform::isUtf8 first).
std::u16string utf16Of(std::string_view utf8);
// UTF-8 of UTF-16 units; a lone surrogate keeps its own three bytes, so that
// the text reads back unchanged wherever it is written next.
std::string utf8Of(std::u16string_view units);

}  // namespace vigilix::platform::plist_text
