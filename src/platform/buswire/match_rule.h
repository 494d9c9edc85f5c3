#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vigilix::platform {

// Which signals a match rule selects. Empty fields are left out of the rule.
struct SignalMatch {
  std::string_view sender;
  std::string_view path;
  std::string_view interface;
  std::string_view member;
  std::optional<std::string_view> arg0;
};

// Whether `value` can stand quoted in a match rule. The bus daemon and sd-bus
// (which matches again on our side) read apostrophes and backslashes
// differently, so a value holding either has no rule both take the same way.
bool isMatchRuleValue(std::string_view value);

// "type='signal',path='/a',arg0='x'"; none when a value is not one a rule can
// hold (the caller then matches more widely and filters itself).
std::optional<std::string> signalMatchRule(const SignalMatch& match);

}  // namespace vigilix::platform
