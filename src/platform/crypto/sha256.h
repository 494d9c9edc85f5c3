#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vigilix::platform {

using Sha256Digest = std::array<std::uint8_t, 32>;
using Sha256State = std::array<std::uint32_t, 8>;

// The SHA-256 digest of the bytes. Cannot fail; thread-safe.
Sha256Digest sha256(std::string_view bytes);

// A digest fed piece by piece, for files too large to hold whole.
class Sha256Stream {
 public:
  Sha256Stream();
  Sha256Stream(const Sha256Stream&) = delete;
  Sha256Stream& operator=(const Sha256Stream&) = delete;
  void update(std::string_view bytes);
  // The digest of everything fed; the stream is spent afterwards.
  Sha256Digest finish();

 private:
  Sha256State state_;
  std::array<std::uint8_t, 64> block_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

// The digest as 64 lower-case hexadecimal characters, two per byte in digest order.
std::string sha256HexString(const Sha256Digest& digest);

}  // namespace vigilix::platform
