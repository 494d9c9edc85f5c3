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

// The D-Bus match rule text, every value quoted so that any text (an
// apostrophe, a comma) stays one value: "type='signal',path='/a',arg0='x'".
std::string signalMatchRule(const SignalMatch& match);

}  // namespace vigilix::platform
