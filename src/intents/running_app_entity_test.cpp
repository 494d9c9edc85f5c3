#include "intents/running_app_entity.h"

#include <gtest/gtest.h>

namespace vigilix {
namespace {

using platform::RunningApplication;

RunningApplication app(std::int32_t pid, std::optional<std::string> id, std::string name,
                       bool regular = true) {
  return {pid, std::move(id), std::move(name), regular};
}

TEST(RunningAppEntityTest, OneEntityPerLaunchedApplicationSortedByName) {
  struct Row {
    const char* name;
    std::vector<RunningApplication> running;
    std::vector<std::string> ids;  // empty: the whole list
    std::vector<RunningAppEntity> expected;
  };
  const Row rows[] = {
      {"two instances give one entity, the first",
       {app(10, "org.gnome.Terminal", "Terminal"), app(11, "org.gnome.Terminal", "Terminal")},
       {},
       {{"org.gnome.Terminal", 10, "Terminal", "org.gnome.Terminal"}}},
      {"background processes, those without an identifier give none",
       {app(5, "dbus-daemon", "dbus-daemon", false), app(6, std::nullopt, "Orphan"),
        app(7, "", "Empty")},
       {},
       {}},
      {"sorted by name ignoring case",
       {app(1, "org.b", "beta"), app(2, "org.c", "Gamma"), app(3, "org.a", "Alpha")},
       {},
       {{"org.a", 3, "Alpha", "org.a"},
        {"org.b", 1, "beta", "org.b"},
        {"org.c", 2, "Gamma", "org.c"}}},
      {"no name: the identifier is the name",
       {app(4, "org.x.Tool", "")},
       {},
       {{"org.x.Tool", 4, "org.x.Tool", "org.x.Tool"}}},
      {"by identifier, in list order; unknown ones give nothing",
       {app(1, "org.b", "Beta"), app(2, "org.a", "Alpha"), app(3, "org.c", "Gamma")},
       {"org.c", "org.none", "org.a"},
       {{"org.a", 2, "Alpha", "org.a"}, {"org.c", 3, "Gamma", "org.c"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.ids.empty() ? runningAppEntities(row.running)
                              : runningAppEntities(row.running, row.ids),
              row.expected);
  }
}

}  // namespace
}  // namespace vigilix
