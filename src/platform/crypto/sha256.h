#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vigilix::platform {

using Sha256Digest = std::array<std::uint8_t, 32>;

// The SHA-256 digest of the bytes (OpenSSL). Cannot fail; thread-safe.
Sha256Digest sha256(std::string_view bytes);

// The digest as 64 lower-case hexadecimal characters, two per byte in digest order.
std::string sha256HexString(const Sha256Digest& digest);

}  // namespace vigilix::platform
