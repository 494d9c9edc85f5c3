#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace vigilix {

// The command line's one-line text form: fields joined by "|". Stateless;
// any thread.

enum class VGXCLIVerb { watch, unwatch, status };

std::string_view rawValue(VGXCLIVerb verb);

struct VGXCLIRequest {
  std::string nonce;  // echoed in the reply
  VGXCLIVerb verb = VGXCLIVerb::status;
  std::int32_t pid = 0;
  std::string label;  // at most 200 characters; empty when none was sent

  bool operator==(const VGXCLIRequest&) const = default;
};

// status(isAwake, reason), ok or policyDenied.
struct VGXCLIReply {
  struct Status {
    bool isAwake = false;
    std::string reason;
    bool operator==(const Status&) const = default;
  };
  struct Ok {
    bool operator==(const Ok&) const = default;
  };
  struct PolicyDenied {
    bool operator==(const PolicyDenied&) const = default;
  };

  static VGXCLIReply status(bool isAwake, std::string reason) {
    return {Status{isAwake, std::move(reason)}};
  }
  static VGXCLIReply ok() { return {Ok{}}; }
  static VGXCLIReply policyDenied() { return {PolicyDenied{}}; }

  std::variant<Status, Ok, PolicyDenied> value;
  bool operator==(const VGXCLIReply&) const = default;
};

class VGXCLIProtocol {
 public:
  // System-wide notifications whose object is the whole request or reply text.
  static constexpr std::string_view requestNotification = "run.tarvo.vigilix.cli.request";
  static constexpr std::string_view replyNotification = "run.tarvo.vigilix.cli.reply";
  static constexpr std::size_t maxLabelCharacters = 200;

  // Nothing for a line that breaks any rule (nonce, verb, pid); a longer
  // label is cut to its first 200 characters.
  static std::optional<VGXCLIRequest> parseRequest(std::string_view line);
  // One line: CR and LF in the nonce or the reason become spaces.
  static std::string encodeReply(std::string_view nonce, const VGXCLIReply& reply);
  // The tool's half. The fourth field is always written.
  static std::string encodeRequest(const VGXCLIRequest& request);
  static std::optional<std::pair<std::string, VGXCLIReply>> parseReply(std::string_view line);
  // Cut at "|" at most three times; empty fields kept.
  static std::vector<std::string_view> fields(std::string_view line);
  // 1 to 64 bytes, each an ASCII letter, digit or "-" (shared with the JSON form).
  static bool isValidNonce(std::string_view nonce);
};

}  // namespace vigilix
