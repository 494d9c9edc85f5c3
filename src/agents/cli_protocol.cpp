#include "agents/cli_protocol.h"

#include <array>
#include <charconv>

#include "platform/base/raw_values.h"
#include "platform/base/text.h"

namespace vigilix {

namespace {

constexpr std::array<std::pair<VGXCLIVerb, std::string_view>, 3> kVerbs{{
    {VGXCLIVerb::watch, "watch"},
    {VGXCLIVerb::unwatch, "unwatch"},
    {VGXCLIVerb::status, "status"},
}};

// A decimal signed 32-bit integer whose own decimal text is exactly `field`
// (so no "+", no leading zero, no "-0", no blank).
std::optional<std::int32_t> exactPid(std::string_view field) {
  if (field.empty()) return std::nullopt;
  std::int32_t value = 0;
  const char* end = field.data() + field.size();
  const auto [stop, error] = std::from_chars(field.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  if (std::to_string(value) != field) return std::nullopt;
  return value;
}

// A reply is one line whatever text goes into it.
void appendOneLine(std::string& out, std::string_view text) {
  for (char c : text) out += (c == '\r' || c == '\n') ? ' ' : c;
}

}  // namespace

std::string_view rawValue(VGXCLIVerb verb) { return platform::rawValueIn(kVerbs, verb); }

std::vector<std::string_view> VGXCLIProtocol::fields(std::string_view line) {
  std::vector<std::string_view> out;
  while (out.size() < 3) {
    const std::size_t bar = line.find('|');
    if (bar == std::string_view::npos) break;
    out.push_back(line.substr(0, bar));
    line.remove_prefix(bar + 1);
  }
  out.push_back(line);
  return out;
}

bool VGXCLIProtocol::isValidNonce(std::string_view nonce) {
  if (nonce.empty() || nonce.size() > 64) return false;
  for (char c : nonce) {
    const bool allowed =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
    if (!allowed) return false;
  }
  return true;
}

std::optional<VGXCLIRequest> VGXCLIProtocol::parseRequest(std::string_view line) {
  const auto parts = fields(line);
  if (parts.size() < 3) return std::nullopt;
  if (!isValidNonce(parts[0])) return std::nullopt;
  const auto verb = platform::caseWithRawValue<VGXCLIVerb>(kVerbs, parts[1]);
  if (!verb) return std::nullopt;
  const auto pid = exactPid(parts[2]);
  if (!pid) return std::nullopt;
  if (*verb != VGXCLIVerb::status && *pid <= 0) return std::nullopt;
  const std::string_view label = parts.size() > 3 ? parts[3] : std::string_view();
  return VGXCLIRequest{std::string(parts[0]), *verb, *pid,
                       std::string(platform::prefixGraphemes(label, maxLabelCharacters))};
}

std::string VGXCLIProtocol::encodeReply(std::string_view nonce, const VGXCLIReply& reply) {
  std::string out;
  appendOneLine(out, nonce);
  if (const auto* status = std::get_if<VGXCLIReply::Status>(&reply.value)) {
    out += status->isAwake ? "|status|1|" : "|status|0|";
    appendOneLine(out, status->reason);
  } else if (std::holds_alternative<VGXCLIReply::Ok>(reply.value)) {
    out += "|ok";
  } else {
    out += "|policy-denied";
  }
  return out;
}

std::string VGXCLIProtocol::encodeRequest(const VGXCLIRequest& request) {
  std::string out = request.nonce;
  out += '|';
  out += rawValue(request.verb);
  out += '|';
  out += std::to_string(request.pid);
  out += '|';
  out += request.label;
  return out;
}

std::optional<std::pair<std::string, VGXCLIReply>> VGXCLIProtocol::parseReply(
    std::string_view line) {
  const auto parts = fields(line);
  if (parts.size() < 2) return std::nullopt;
  std::string nonce(parts[0]);
  if (parts.size() == 2 && parts[1] == "ok") return std::pair{nonce, VGXCLIReply::ok()};
  if (parts.size() == 2 && parts[1] == "policy-denied") {
    return std::pair{nonce, VGXCLIReply::policyDenied()};
  }
  if (parts[1] == "status" && parts.size() >= 3 && (parts[2] == "1" || parts[2] == "0")) {
    const std::string_view reason = parts.size() > 3 ? parts[3] : std::string_view();
    return std::pair{nonce, VGXCLIReply::status(parts[2] == "1", std::string(reason))};
  }
  return std::nullopt;
}

}  // namespace vigilix
