#include "platform/crypto/sha256.h"

#include <openssl/evp.h>
#include <openssl/sha.h>

namespace vigilix::platform {

Sha256Digest sha256(std::string_view bytes) {
  Sha256Digest digest{};
  ::SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest.data());
  return digest;
}

Sha256Stream::Sha256Stream() : context_(::EVP_MD_CTX_new()) {
  ::EVP_DigestInit_ex(static_cast<EVP_MD_CTX*>(context_), ::EVP_sha256(), nullptr);
}

Sha256Stream::~Sha256Stream() { ::EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(context_)); }

void Sha256Stream::update(std::string_view bytes) {
  ::EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(context_), bytes.data(), bytes.size());
}

Sha256Digest Sha256Stream::finish() {
  Sha256Digest digest{};
  ::EVP_DigestFinal_ex(static_cast<EVP_MD_CTX*>(context_), digest.data(), nullptr);
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
