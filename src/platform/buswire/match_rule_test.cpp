#include "platform/buswire/match_rule.h"

#include <gtest/gtest.h>

namespace vigilix::platform {
namespace {

TEST(MatchRuleTest, QuotesEveryFieldAndRefusesValuesTheParsersReadDifferently) {
  struct Row {
    const char* name;
    SignalMatch match;
    std::optional<std::string> literal;
  };
  const Row rows[] = {
      {"every field",
       {"org.example.Peer", "/org/example", "org.example.Iface", "Changed", "a, b"},
       "type='signal',sender='org.example.Peer',path='/org/example',"
       "interface='org.example.Iface',member='Changed',arg0='a, b'"},
      {"only a member", {{}, {}, {}, "Changed", std::nullopt}, "type='signal',member='Changed'"},
      {"an empty arg0 is still a field", {{}, {}, {}, {}, ""}, "type='signal',arg0=''"},
      {"apostrophe", {{}, {}, {}, {}, "it's"}, std::nullopt},
      {"backslash", {{}, {}, {}, {}, "a\\b"}, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(signalMatchRule(row.match), row.literal);
  }
}

}  // namespace
}  // namespace vigilix::platform
