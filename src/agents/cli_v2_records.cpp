#include "agents/cli_v2_records.h"

#include <array>
#include <utility>

#include "agents/cli_protocol.h"
#include "platform/base/raw_values.h"
#include "platform/base/text.h"

namespace vigilix {

namespace {

constexpr std::int64_t kVersion = 2;
constexpr std::int64_t kMaxTTL = 86400;

constexpr std::array<std::pair<VGXCLIv2Verb, std::string_view>, kVGXCLIv2VerbCount> kVerbs{{
    {VGXCLIv2Verb::hold, "hold"},
    {VGXCLIv2Verb::release, "release"},
    {VGXCLIv2Verb::holds, "holds"},
    {VGXCLIv2Verb::doctor, "doctor"},
    {VGXCLIv2Verb::epoch, "epoch"},
}};

constexpr std::array<std::pair<VGXCLIv2Status, std::string_view>, 6> kStatuses{{
    {VGXCLIv2Status::ok, "ok"},
    {VGXCLIv2Status::stale, "stale"},
    {VGXCLIv2Status::policyDenied, "policyDenied"},
    {VGXCLIv2Status::unknownVerb, "unknownVerb"},
    {VGXCLIv2Status::appTooOld, "appTooOld"},
    {VGXCLIv2Status::error, "error"},
}};

bool within(const std::optional<std::string>& text, std::size_t characters) {
  return !text || platform::graphemeCountIsAtMost(*text, characters);
}

}  // namespace

std::string_view rawValue(VGXCLIv2Verb verb) { return platform::rawValueIn(kVerbs, verb); }
std::string_view rawValue(VGXCLIv2Status status) { return platform::rawValueIn(kStatuses, status); }
std::optional<VGXCLIv2Verb> verbFromRawValue(std::string_view raw) {
  return platform::caseWithRawValue<VGXCLIv2Verb>(kVerbs, raw);
}
std::optional<VGXCLIv2Status> statusFromRawValue(std::string_view raw) {
  return platform::caseWithRawValue<VGXCLIv2Status>(kStatuses, raw);
}

bool VGXCLIv2Request::isValid() const {
  return v == kVersion && VGXCLIProtocol::isValidNonce(nonce) && within(id, 200) &&
         (!ttl || (*ttl >= 1 && *ttl <= kMaxTTL)) && within(label, 200) && within(tool, 32) &&
         within(corr, 128) && (!seq || *seq >= 0) && within(toolVersion, 64);
}

bool VGXCLIv2HoldInfo::isValid() const {
  return platform::graphemeCountIsAtMost(id, 200) && within(tool, 32) && within(label, 200);
}

bool VGXCLIv2Reply::isValid() const {
  if (v != kVersion || !VGXCLIProtocol::isValidNonce(nonce)) return false;
  if (!holds) return true;
  for (const auto& hold : *holds) {
    if (!hold.isValid()) return false;
  }
  return true;
}

}  // namespace vigilix
