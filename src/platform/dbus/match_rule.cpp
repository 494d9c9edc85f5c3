#include "platform/dbus/match_rule.h"

namespace vigilix::platform {

namespace {

// Match rules have no escape inside quotes: an apostrophe ends the quoted
// part, is written escaped outside, and a new quoted part begins.
void appendQuoted(std::string& rule, std::string_view value) {
  rule += '\'';
  for (const char c : value) {
    if (c == '\'') {
      rule += "'\\''";
    } else {
      rule += c;
    }
  }
  rule += '\'';
}

void appendField(std::string& rule, std::string_view key, std::string_view value) {
  rule += ',';
  rule += key;
  rule += '=';
  appendQuoted(rule, value);
}

}  // namespace

std::string signalMatchRule(const SignalMatch& match) {
  std::string rule = "type='signal'";
  if (!match.sender.empty()) appendField(rule, "sender", match.sender);
  if (!match.path.empty()) appendField(rule, "path", match.path);
  if (!match.interface.empty()) appendField(rule, "interface", match.interface);
  if (!match.member.empty()) appendField(rule, "member", match.member);
  if (match.arg0) appendField(rule, "arg0", *match.arg0);
  return rule;
}

}  // namespace vigilix::platform
