#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "platform/json/value.h"
#include "sleepguard/common/installer_values.h"
#include "sleepguard/core/guard_values.h"

namespace vigilix {

// The reply dictionaries of the guard and installer services and the texts
// inside them. Encoders cannot fail; a decoder answers nullopt for a reply it
// cannot read (the caller treats that as a failed call), else the value or
// the error the reply carried. Lengths count user-perceived characters.
namespace VGXGuardWire {

inline constexpr std::size_t kMaxTextLength = 128;

using Dictionary = platform::json::Value;

// The status reply's content.
struct StatusReply {
  VGXGuardStatus status;
  std::string executableSHA256;
  bool operator==(const StatusReply&) const = default;
};

Dictionary encodeGrant(const std::expected<VGXHoldGrant, VGXGuardError>& result);
Dictionary encodeAck(const std::expected<void, VGXGuardError>& result);
Dictionary encodeStatus(const VGXGuardStatus& status, const std::string& executableSHA256);
Dictionary encodeInstallerResult(const std::expected<void, VGXInstallerError>& result);
Dictionary encodeInstallerStatus(const VGXInstallerStatus& status);

std::optional<std::expected<VGXHoldGrant, VGXGuardError>> decodeGrant(const Dictionary& reply);
std::optional<std::expected<void, VGXGuardError>> decodeAck(const Dictionary& reply);
std::optional<VGXGuardError> decodeFailure(const Dictionary& reply);
std::optional<StatusReply> decodeStatus(const Dictionary& reply);
std::optional<std::expected<void, VGXInstallerError>> decodeInstallerResult(
    const Dictionary& reply);
std::optional<VGXInstallerStatus> decodeInstallerStatus(const Dictionary& reply);

// Readers of one value; nullopt when absent or not acceptable.
std::optional<bool> readBool(const Dictionary& reply, std::string_view key);
std::optional<std::string> readString(const Dictionary& reply, std::string_view key);
std::optional<std::int64_t> readInt(const Dictionary& reply, std::string_view key);
std::optional<std::uint64_t> readUInt64(const Dictionary& reply, std::string_view key);

// Texts.
std::string wireText(const VGXGuardError& error);
std::string wireText(const VGXGuardState& state);
std::string wireText(const VGXInstallerError& error);
std::optional<VGXGuardError> guardErrorFromWireText(std::string_view text);
std::optional<VGXGuardState> guardStateFromWireText(std::string_view text);
std::optional<VGXInstallerError> installerErrorFromWireText(std::string_view text);

// One dictionary per packet: compact JSON text, and back (nullopt for text
// that is not one JSON object).
std::string packetText(const Dictionary& dictionary);
std::optional<Dictionary> dictionaryFromPacket(std::string_view text);

}  // namespace VGXGuardWire

}  // namespace vigilix
