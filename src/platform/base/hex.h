#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vigilix::platform {

// The value of one hexadecimal digit of either case; -1 for any other character.
int hexDigitValue(char c);

// Two lower-case hexadecimal digits for each byte of `bytes`.
std::string hexEncoded(std::string_view bytes);

// `text` with each "%XX" escape made the byte it names; none when a "%" is not followed by
// two hexadecimal digits.
std::optional<std::string> percentDecoded(std::string_view text);

}  // namespace vigilix::platform
