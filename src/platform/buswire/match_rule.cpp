#include "platform/buswire/match_rule.h"

namespace vigilix::platform {

bool isMatchRuleValue(std::string_view value) {
  return value.find_first_of("'\\") == std::string_view::npos;
}

std::optional<std::string> signalMatchRule(const SignalMatch& match) {
  std::string rule = "type='signal'";
  bool valid = true;
  auto add = [&](std::string_view key, std::string_view value) {
    valid = valid && isMatchRuleValue(value);
    rule.append(",").append(key).append("='").append(value).append("'");
  };
  if (!match.sender.empty()) add("sender", match.sender);
  if (!match.path.empty()) add("path", match.path);
  if (!match.interface.empty()) add("interface", match.interface);
  if (!match.member.empty()) add("member", match.member);
  if (match.arg0) add("arg0", *match.arg0);
  if (!valid) return std::nullopt;
  return rule;
}

}  // namespace vigilix::platform
