#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vigilix::platform {

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
std::string base64Encode(const std::vector<std::uint8_t>& bytes);

// Decodes padded standard Base64. Refuses (none) a length that is not a
// multiple of four, any character outside the alphabet (white space
// included), and "=" anywhere but in the last one or two places.
std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text);

}  // namespace vigilix::platform
