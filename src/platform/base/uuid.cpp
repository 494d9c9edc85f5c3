#include "platform/base/uuid.h"

#include <sys/random.h>

#include <cerrno>
#include <string_view>
#include <system_error>

#include "platform/base/hex.h"

namespace vigilix::platform {

UUID UUID::generate() {
  // The kernel's generator directly: one call, no library to load for a few random bytes.
  Bytes bytes{};
  for (std::size_t filled = 0; filled < bytes.size();) {
    const ssize_t got = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "getrandom");
    }
    filled += static_cast<std::size_t>(got);
  }
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  return UUID(bytes);
}

std::optional<UUID> UUID::fromString(std::string_view text) {
  // Parsed here rather than with uuid_parse so that the accepted form is
  // exactly the canonical one: no braces, no surrounding text.
  if (text.size() != 36) return std::nullopt;
  Bytes bytes{};
  std::size_t byte = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return std::nullopt;
      ++i;
      continue;
    }
    int high = hexDigitValue(text[i]);
    int low = hexDigitValue(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[byte++] = static_cast<std::uint8_t>(high * 16 + low);
    i += 2;
  }
  return UUID(bytes);
}

std::string UUID::uuidString() const {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(36);
  for (std::size_t i = 0; i < bytes_.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
    out.push_back(kDigits[bytes_[i] >> 4]);
    out.push_back(kDigits[bytes_[i] & 0x0F]);
  }
  return out;
}

}  // namespace vigilix::platform

std::size_t std::hash<vigilix::platform::UUID>::operator()(
    const vigilix::platform::UUID& uuid) const noexcept {
  std::string_view view(reinterpret_cast<const char*>(uuid.bytes().data()), uuid.bytes().size());
  return std::hash<std::string_view>{}(view);
}
