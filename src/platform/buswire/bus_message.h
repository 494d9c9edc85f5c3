#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vigilix::platform {

enum class WireMessageType : std::uint8_t {
  MethodCall = 1,
  MethodReturn = 2,
  Error = 3,
  Signal = 4
};

inline constexpr std::uint8_t kBusNoReplyExpected = 0x1;
// No message, header and body together, is longer; no array holds more bytes.
inline constexpr std::size_t kBusMessageLimit = 128u * 1024 * 1024;
inline constexpr std::size_t kBusArrayLimit = 64u * 1024 * 1024;
// Every message starts with this many bytes, which give its whole length.
inline constexpr std::size_t kBusFixedHeaderSize = 16;

// One body argument: a text (s, o or g, as the signature says), a boolean (b) or a uint32 (u).
using WireArgument = std::variant<std::string, bool, std::uint32_t>;

// A message with the header fields this client writes or reads. Empty texts are absent fields.
struct WireMessage {
  std::uint8_t type = 0;  // a WireMessageType, or a newer type that receivers ignore
  std::uint8_t flags = 0;
  std::uint32_t serial = 0;
  std::string path = {};
  std::string interface = {};
  std::string member = {};
  std::string errorName = {};
  std::optional<std::uint32_t> replySerial = {};
  std::string destination = {};
  std::string sender = {};
  std::string signature = {};
  // Read only when every argument is of a type above; any other body is checked and left unread.
  std::vector<WireArgument> arguments = {};

  bool operator==(const WireMessage&) const = default;
};

// Little-endian, protocol version 1. An error names what cannot be sent: an argument that does
// not match the signature, a text that is not UTF-8 or holds a NUL, an invalid object path.
std::expected<std::string, std::string> encodeBusMessage(const WireMessage& message);

// The whole length of the message `bytes` starts with, once its fixed header is there (none
// before); an error when that header cannot start a message or announces one over the limits.
std::expected<std::optional<std::size_t>, std::string> busMessageLength(std::string_view bytes);

// One message of either byte order filling `bytes` exactly. Every length, alignment, padding,
// text, signature and nesting depth is checked: a bad message is an error, never an over-read.
std::expected<WireMessage, std::string> decodeBusMessage(std::string_view bytes);

}  // namespace vigilix::platform

namespace vigilix::platform {

inline constexpr const char* kBusDaemonName = "org.freedesktop.DBus";
inline constexpr const char* kBusDaemonPath = "/org/freedesktop/DBus";

// A method call on the bus daemon itself ("Hello", "AddMatch", "NameHasOwner"...).
WireMessage busDaemonCall(std::string member, std::string signature,
                          std::vector<WireArgument> arguments);

}  // namespace vigilix::platform
