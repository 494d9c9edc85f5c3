#include "sleepguard/common/service_command_line.h"

#include <gtest/gtest.h>

namespace vigilix {
namespace {

using VGXGuardMain::Command;

TEST(ServiceCommandLine, Roles) {
  const std::string id64(64, 'a');
  struct Row {
    const char* name;
    std::vector<std::string> arguments;
    Command command;
  };
  const Row rows[] = {
      {"no argument: guard", {"g"}, {Command::Role::guard, {}, {}}},
      {"finish",
       {"g", "--finish-uninstall", "A-1", "b2"},
       {Command::Role::finishUninstall, "A-1", "b2"}},
      {"64 characters",
       {"g", "--finish-uninstall", id64, "x"},
       {Command::Role::finishUninstall, id64, "x"}},
      {"65 characters", {"g", "--finish-uninstall", id64 + "a", "x"}, {}},
      {"empty identifier", {"g", "--finish-uninstall", "", "x"}, {}},
      {"underscore", {"g", "--finish-uninstall", "a_b", "x"}, {}},
      {"dot", {"g", "--finish-uninstall", "a", "x.y"}, {}},
      {"space", {"g", "--finish-uninstall", "a b", "x"}, {}},
      {"non-ASCII letter", {"g", "--finish-uninstall", "a", "é"}, {}},
      {"one identifier", {"g", "--finish-uninstall", "a"}, {}},
      {"other flag", {"g", "--finish", "a", "b"}, {}},
      {"five arguments", {"g", "--finish-uninstall", "a", "b", "c"}, {}},
      {"nothing at all", {}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXGuardMain::parseCommandLine(row.arguments), row.command);
  }
}

}  // namespace
}  // namespace vigilix
