#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vigilix::platform {

// A universally unique identifier. Text form: upper-case hexadecimal in the
// 8-4-4-4-12 layout ("E621E1F8-C36C-495A-93FC-0C247A3E6E5F").
class UUID {
 public:
  using Bytes = std::array<std::uint8_t, 16>;

  // The all-zero identifier.
  constexpr UUID() = default;
  constexpr explicit UUID(const Bytes& bytes) : bytes_(bytes) {}

  // A new random (version 4) identifier.
  static UUID generate();
  // Reads the 36-character text form, either case; none for anything else.
  static std::optional<UUID> fromString(std::string_view text);

  std::string uuidString() const;
  const Bytes& bytes() const { return bytes_; }

  auto operator<=>(const UUID&) const = default;
  bool operator==(const UUID&) const = default;

 private:
  Bytes bytes_{};
};

}  // namespace vigilix::platform

template <>
struct std::hash<vigilix::platform::UUID> {
  std::size_t operator()(const vigilix::platform::UUID& uuid) const noexcept;
};
