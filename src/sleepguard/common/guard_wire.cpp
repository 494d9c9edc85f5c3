#include "sleepguard/common/guard_wire.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/base/text.h"
#include "platform/json/json_reader.h"

namespace vigilix {
namespace VGXGuardWire {
namespace {

using platform::graphemeCountIsAtMost;
using platform::prefixGraphemes;

const Dictionary* find(const Dictionary& reply, std::string_view key) {
  if (!reply.is_object()) return nullptr;
  auto found = reply.find(key);
  return found == reply.end() ? nullptr : &*found;
}

// The whole text is cut, so that a detail opening with a combining mark (which joins the
// prefix's colon) still gives a text that reads back and encodes again the same.
std::string withPrefix(std::string_view prefix, std::string_view detail, std::size_t limit) {
  return std::string(prefixGraphemes(std::string(prefix) + std::string(detail), limit));
}

std::optional<std::string_view> rest(std::string_view text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return std::nullopt;
  return text.substr(prefix.size());
}

Dictionary failure(std::string text) {
  Dictionary reply = Dictionary::object();
  reply["ok"] = false;
  reply["error"] = std::move(text);
  return reply;
}

Dictionary success() {
  Dictionary reply = Dictionary::object();
  reply["ok"] = true;
  return reply;
}

// "ok" false: the error text, else unreadable.
template <class Value>
std::optional<std::expected<Value, VGXGuardError>> guardFailure(const Dictionary& reply) {
  auto error = decodeFailure(reply);
  if (!error) return std::nullopt;
  return std::expected<Value, VGXGuardError>(std::unexpect, *error);
}

}  // namespace

std::string wireText(const VGXGuardError& error) {
  switch (error.kind) {
    case VGXGuardError::Kind::unsafe:
      return withPrefix("unsafe:", error.text, kMaxTextLength);
    case VGXGuardError::Kind::io:
      return withPrefix("io:", error.text, kMaxTextLength);
    default:
      return std::string(error.name());
  }
}

std::string wireText(const VGXGuardState& state) {
  switch (state.kind) {
    case VGXGuardState::Kind::held:
      return "held:" + std::to_string(state.uid);
    case VGXGuardState::Kind::idle:
      return "idle";
    case VGXGuardState::Kind::clearFailed:
      return "clearFailed";
    case VGXGuardState::Kind::draining:
      return "draining";
  }
  return "idle";
}

std::string wireText(const VGXInstallerError& error) {
  std::string text;
  switch (error.kind) {
    case VGXInstallerError::Kind::failed:
      text = "failed:" + error.detail;
      break;
    case VGXInstallerError::Kind::rolledBack:
      text = "rolledBack:" + error.detail;
      break;
    case VGXInstallerError::Kind::inUseByAnotherUser:
      text = "inUseByAnotherUser";
      break;
    case VGXInstallerError::Kind::maintenancePending:
      text = "maintenancePending";
      break;
  }
  return std::string(prefixGraphemes(text, kMaxTextLength));
}

std::optional<VGXGuardError> guardErrorFromWireText(std::string_view text) {
  if (!graphemeCountIsAtMost(text, kMaxTextLength)) return std::nullopt;
  for (auto error :
       {VGXGuardError::alreadyDisabled(), VGXGuardError::policyDenied(),
        VGXGuardError::budgetExhausted(), VGXGuardError::inUseByAnotherUser(),
        VGXGuardError::stale(), VGXGuardError::maintenance(), VGXGuardError::clearFailed(),
        VGXGuardError::draining(), VGXGuardError::notHeld()}) {
    if (text == error.name()) return error;
  }
  if (auto detail = rest(text, "unsafe:")) return VGXGuardError::unsafe(std::string(*detail));
  if (auto detail = rest(text, "io:")) return VGXGuardError::io(std::string(*detail));
  return std::nullopt;
}

std::optional<VGXGuardState> guardStateFromWireText(std::string_view text) {
  if (!graphemeCountIsAtMost(text, kMaxTextLength)) return std::nullopt;
  if (text == "idle") return VGXGuardState::idle();
  if (text == "clearFailed") return VGXGuardState::clearFailed();
  if (text == "draining") return VGXGuardState::draining();
  auto digits = rest(text, "held:");
  if (!digits || digits->empty()) return std::nullopt;
  std::uint32_t uid = 0;
  auto [end, error] = std::from_chars(digits->data(), digits->data() + digits->size(), uid);
  if (error != std::errc() || end != digits->data() + digits->size()) return std::nullopt;
  // Only the number's own rendering: no leading zeros or signs.
  if (std::to_string(uid) != *digits) return std::nullopt;
  return VGXGuardState::held(uid);
}

std::optional<VGXInstallerError> installerErrorFromWireText(std::string_view text) {
  if (!graphemeCountIsAtMost(text, kMaxTextLength)) return std::nullopt;
  if (text == "inUseByAnotherUser") return VGXInstallerError::inUseByAnotherUser();
  if (text == "maintenancePending") return VGXInstallerError::maintenancePending();
  if (auto detail = rest(text, "failed:")) return VGXInstallerError::failed(std::string(*detail));
  if (auto detail = rest(text, "rolledBack:")) {
    return VGXInstallerError::rolledBack(std::string(*detail));
  }
  return std::nullopt;
}

std::optional<bool> readBool(const Dictionary& reply, std::string_view key) {
  const Dictionary* value = find(reply, key);
  if (value == nullptr || !value->is_boolean()) return std::nullopt;
  return value->get<bool>();
}

std::optional<std::string> readString(const Dictionary& reply, std::string_view key) {
  const Dictionary* value = find(reply, key);
  if (value == nullptr || !value->is_string()) return std::nullopt;
  const auto& text = value->get_ref<const std::string&>();
  if (!graphemeCountIsAtMost(text, kMaxTextLength)) return std::nullopt;
  return text;
}

std::optional<std::int64_t> readInt(const Dictionary& reply, std::string_view key) {
  const Dictionary* value = find(reply, key);
  if (value == nullptr) return std::nullopt;
  if (value->is_number_unsigned()) {
    const auto number = value->get<std::uint64_t>();
    if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      return std::nullopt;
    }
    return static_cast<std::int64_t>(number);
  }
  if (value->is_number_integer()) {
    const auto number = value->get<std::int64_t>();
    if (number < 0) return std::nullopt;
    return number;
  }
  if (value->is_number_float()) {
    const double number = value->get<double>();
    // 2^63 is the first double past the signed range.
    if (!(number >= 0) || number >= 9223372036854775808.0 || std::trunc(number) != number) {
      return std::nullopt;
    }
    return static_cast<std::int64_t>(number);
  }
  return std::nullopt;
}

std::optional<std::uint64_t> readUInt64(const Dictionary& reply, std::string_view key) {
  const Dictionary* value = find(reply, key);
  if (value == nullptr) return std::nullopt;
  if (value->is_number_unsigned()) return value->get<std::uint64_t>();
  if (value->is_number_integer()) {
    const auto number = value->get<std::int64_t>();
    if (number < 0) return std::nullopt;
    return static_cast<std::uint64_t>(number);
  }
  if (value->is_number_float()) {
    const double number = value->get<double>();
    if (!(number >= 0) || number >= 18446744073709551616.0 || std::trunc(number) != number) {
      return std::nullopt;
    }
    return static_cast<std::uint64_t>(number);
  }
  return std::nullopt;
}

Dictionary encodeGrant(const std::expected<VGXHoldGrant, VGXGuardError>& result) {
  if (!result) return failure(wireText(result.error()));
  Dictionary reply = success();
  reply["guardInstanceID"] = result->guardInstanceID;
  reply["generation"] = result->generation;
  reply["token"] = result->token;
  reply["leaseSeconds"] = result->leaseSeconds;
  return reply;
}

Dictionary encodeAck(const std::expected<void, VGXGuardError>& result) {
  return result ? success() : failure(wireText(result.error()));
}

Dictionary encodeStatus(const VGXGuardStatus& status, const std::string& executableSHA256) {
  Dictionary reply = success();
  reply["state"] = wireText(status.state);
  reply["guardVersion"] = status.guardVersion;
  reply["executableSHA256"] = executableSHA256;
  if (status.lastReadback) reply["lastReadback"] = *status.lastReadback;
  if (status.lastReadbackAt) reply["lastReadbackAt"] = *status.lastReadbackAt;
  if (status.latch) reply["latch"] = std::string(rawValue(*status.latch));
  return reply;
}

Dictionary encodeInstallerResult(const std::expected<void, VGXInstallerError>& result) {
  return result ? success() : failure(wireText(result.error()));
}

Dictionary encodeInstallerStatus(const VGXInstallerStatus& status) {
  Dictionary reply = Dictionary::object();
  reply["installed"] = status.installed;
  reply["current"] = status.current;
  reply["maintenance"] = status.maintenance;
  return reply;
}

std::optional<VGXGuardError> decodeFailure(const Dictionary& reply) {
  auto text = readString(reply, "error");
  if (!text) return std::nullopt;
  return guardErrorFromWireText(*text);
}

std::optional<std::expected<VGXHoldGrant, VGXGuardError>> decodeGrant(const Dictionary& reply) {
  auto ok = readBool(reply, "ok");
  if (!ok) return std::nullopt;
  if (!*ok) return guardFailure<VGXHoldGrant>(reply);
  auto instance = readString(reply, "guardInstanceID");
  if (!instance) return std::nullopt;
  auto generation = readInt(reply, "generation");
  if (!generation) return std::nullopt;
  auto token = readString(reply, "token");
  if (!token) return std::nullopt;
  auto lease = readInt(reply, "leaseSeconds");
  if (!lease) return std::nullopt;
  return VGXHoldGrant{*instance, *generation, *token, *lease};
}

std::optional<std::expected<void, VGXGuardError>> decodeAck(const Dictionary& reply) {
  auto ok = readBool(reply, "ok");
  if (!ok) return std::nullopt;
  if (!*ok) return guardFailure<void>(reply);
  return std::expected<void, VGXGuardError>();
}

std::optional<StatusReply> decodeStatus(const Dictionary& reply) {
  if (readBool(reply, "ok") != true) return std::nullopt;
  auto stateText = readString(reply, "state");
  if (!stateText) return std::nullopt;
  auto state = guardStateFromWireText(*stateText);
  if (!state) return std::nullopt;
  auto version = readString(reply, "guardVersion");
  if (!version) return std::nullopt;
  auto hash = readString(reply, "executableSHA256");
  if (!hash) return std::nullopt;
  StatusReply decoded{VGXGuardStatus::initial(*version), *hash};
  decoded.status.state = *state;
  if (find(reply, "lastReadback") != nullptr) {
    decoded.status.lastReadback = readBool(reply, "lastReadback");
    if (!decoded.status.lastReadback) return std::nullopt;
  }
  if (find(reply, "lastReadbackAt") != nullptr) {
    decoded.status.lastReadbackAt = readUInt64(reply, "lastReadbackAt");
    if (!decoded.status.lastReadbackAt) return std::nullopt;
  }
  if (const Dictionary* latch = find(reply, "latch")) {
    if (!latch->is_string()) return std::nullopt;
    decoded.status.latch = guardLatchFromRawValue(latch->get_ref<const std::string&>());
    if (!decoded.status.latch) return std::nullopt;
  }
  return decoded;
}

std::optional<std::expected<void, VGXInstallerError>> decodeInstallerResult(
    const Dictionary& reply) {
  auto ok = readBool(reply, "ok");
  if (!ok) return std::nullopt;
  if (*ok) return std::expected<void, VGXInstallerError>();
  const Dictionary* text = find(reply, "error");
  if (text == nullptr || !text->is_string()) return std::nullopt;
  auto error = installerErrorFromWireText(text->get_ref<const std::string&>());
  if (!error) return std::nullopt;
  return std::expected<void, VGXInstallerError>(std::unexpect, *error);
}

std::optional<VGXInstallerStatus> decodeInstallerStatus(const Dictionary& reply) {
  auto installed = readBool(reply, "installed");
  auto current = readBool(reply, "current");
  auto maintenance = readBool(reply, "maintenance");
  if (!installed || !current || !maintenance) return std::nullopt;
  return VGXInstallerStatus{*installed, *current, *maintenance};
}

std::string packetText(const Dictionary& dictionary) {
  // Texts from outside may hold invalid UTF-8; they are sent mended rather than dropped.
  return dictionary.dump(-1, ' ', false, Dictionary::error_handler_t::replace);
}

std::optional<Dictionary> dictionaryFromPacket(std::string_view text) {
  auto parsed = platform::json::parse(text);
  if (!parsed || !parsed->is_object()) return std::nullopt;
  return std::move(*parsed);
}

}  // namespace VGXGuardWire
}  // namespace vigilix
