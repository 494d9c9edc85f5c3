#include "platform/crypto/sha256.h"

#include <openssl/sha.h>

namespace vigilix::platform {

Sha256Digest sha256(std::string_view bytes) {
  Sha256Digest digest{};
  ::SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest.data());
  return digest;
}

std::string sha256HexString(const Sha256Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(digest.size() * 2);
  for (const std::uint8_t byte : digest) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0x0f]);
  }
  return text;
}

}  // namespace vigilix::platform
