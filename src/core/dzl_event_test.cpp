#include "core/dzl_event.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vigilix {
namespace {

TEST(DZLEventTest, AddressesGiveTheirActionAndArguments) {
  using Arguments = DZLEvent::Arguments;
  struct Row {
    const char* name;
    const char* url;
    std::optional<DZLEvent> event;
  };
  const Row rows[] = {
      {"last path component, query items", "vigilix:///activate?minutes=5",
       DZLEvent{"activate", Arguments{{"minutes", "5"}}}},
      {"deeper path", "vigilix://host/a/b/toggle/", DZLEvent{"toggle", std::nullopt}},
      {"host only", "vigilix://deactivate", DZLEvent{"deactivate", std::nullopt}},
      {"later item replaces, item without value is empty, escapes decoded",
       "vigilix:///activate?hours=1&seconds&hours=2&x%20y=a%26b#frag",
       DZLEvent{"activate", Arguments{{"hours", "2"}, {"seconds", ""}, {"x y", "a&b"}}}},
      {"empty query has no arguments", "vigilix:///activate?", DZLEvent{"activate", std::nullopt}},
      {"no scheme", "activate?minutes=5", std::nullopt},
      {"broken escape", "vigilix:///activate?minutes=%4", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(DZLEvent::eventForURL(row.url), row.event);
  }
}

// The log shows what the event asks, never where it lies in memory.
TEST(DZLEventTest, TheLoggedDescriptionIsTheEventAlone) {
  EXPECT_EQ((DZLEvent{"activate", DZLEvent::Arguments{{"minutes", "5"}}}).debugDescription(),
            "{\n\tname: activate,\n\targuments: {\n\t\tminutes = 5;\n\t}\n}");
}

TEST(DZLEventTest, ArgumentTextsReadAsFiniteNumbersAndBooleans) {
  struct Row {
    const char* text;
    double number;
    bool boolean;
  };
  const Row rows[] = {
      {"1.5", 1.5, true},  {"  -2e1xyz", -20, true}, {"+.5", 0.5, false}, {"abc", 0, false},
      {"", 0, false},      {"inf", 0, false},        {"nan", 0, false},   {"1e400", 0, true},
      {"-1e400", 0, true}, {"yes", 0, true},         {"true", 0, true},   {"007", 7, true},
      {"0x10", 0, false},  {"No", 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(dzl_argumentNumberValue(row.text), row.number);
    EXPECT_EQ(dzl_argumentBoolValue(row.text), row.boolean);
  }
}

}  // namespace
}  // namespace vigilix
