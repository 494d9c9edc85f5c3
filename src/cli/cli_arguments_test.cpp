#include "cli/cli_arguments.h"

#include <gtest/gtest.h>

#include <vector>

namespace vigilix {
namespace {

TEST(CLIArgumentsTest, CommandsAndTheirOptions) {
  using K = VGXCLICommandKind;
  struct Row {
    const char* name;
    std::vector<std::string> arguments;
    VGXCLICommand command;
  };
  const Row rows[] = {
      {"hook",
       {"agent", "stop", "--tool", "claude", "--vigilix-hook=v1"},
       {.kind = K::agent, .hookVerb = VGXHookVerb::stop, .tool = "claude"}},
      {"hook, tool after =",
       {"agent", "end", "--tool=x y"},
       {.kind = K::agent, .hookVerb = VGXHookVerb::end, .tool = "x y"}},
      {"status as JSON", {"--json", "status"}, {.kind = K::status, .json = true}},
      {"holds", {"holds"}, {.kind = K::holds}},
      {"doctor", {"doctor"}, {.kind = K::doctor}},
      {"hold with defaults",
       {"hold", "--tool", "codex"},
       {.kind = K::hold, .tool = "codex", .id = "codex:cli"}},
      {"hold with every option",
       {"hold", "--tool", "codex", "--ttl", "86400", "--id", "codex:a", "--label", "--x"},
       {.kind = K::hold, .tool = "codex", .ttl = 86400, .id = "codex:a", .label = "--x"}},
      {"release an id", {"release", "claude:s1"}, {.kind = K::release, .id = "claude:s1"}},
      {"release a tool", {"release", "--tool", "grok"}, {.kind = K::release, .id = "grok"}},
      {"watch",
       {"watch", "2147483647", "--label", "build"},
       {.kind = K::watch, .label = "build", .pid = 2147483647}},
      {"unwatch", {"unwatch", "12"}, {.kind = K::unwatch, .pid = 12}},
      {"help option anywhere", {"hold", "--help"}, {}},
      {"version", {"--version"}, {.kind = K::version}},
      {"version option anywhere", {"status", "--version"}, {.kind = K::version}},
      {"run keeps the command's words",
       {"run", "--json", "--", "make", "--help", "--", "-j"},
       {.kind = K::run, .commandLine = {"make", "--help", "--", "-j"}, .json = true}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto parsed = parseArguments(row.arguments);
    ASSERT_TRUE(parsed.has_value()) << parsed.error();
    EXPECT_EQ(*parsed, row.command);
  }
}

TEST(CLIArgumentsTest, MistakesAreNamed) {
  struct Row {
    std::vector<std::string> arguments;
    const char* message;
  };
  const Row rows[] = {
      {{}, "Missing command. Try \"vigilix help\"."},
      {{"--json"}, "Missing command. Try \"vigilix help\"."},
      {{"sleep"}, "Unknown command \"sleep\". Try \"vigilix help\"."},
      {{"status", "--jsn"}, "Unknown option \"--jsn\". Try \"vigilix help\"."},
      {{"hold", "--tool", "a", "--tl=5"}, "Unknown option \"--tl\". Try \"vigilix help\"."},
      {{"agent", "begin", "--tool", "claude"},
       "\"agent\" takes start, stop or end, not \"begin\"."},
      {{"agent", "start"}, "\"agent\" needs --tool."},
      {{"agent", "start", "--tool", "c", "--vigilix-hook=v2"},
       "\"agent\" has no option \"--vigilix-hook\"."},
      {{"hold", "--tool"}, "\"--tool\" needs a value."},
      {{"hold", "--tool="}, "\"--tool\" needs a value."},
      {{"hold", "--tool", "a", "--tool", "b"}, "\"--tool\" is given twice."},
      {{"hold", "--tool", "a", "--ttl", "0"}, "\"--ttl\" takes whole seconds from 1 to 86400."},
      {{"hold", "--tool", "a", "--ttl", "86401"}, "\"--ttl\" takes whole seconds from 1 to 86400."},
      {{"hold", "--tool", "a", "--ttl", "+5"}, "\"--ttl\" takes whole seconds from 1 to 86400."},
      {{"release"}, "\"release\" takes one argument."},
      {{"release", "a", "--tool", "b"}, "\"release\" takes no argument."},
      {{"release", ""}, "\"release\" needs a hold id or --tool."},
      {{"status", "--tool", "a"}, "\"status\" has no option \"--tool\"."},
      {{"watch", "0"}, "\"0\" is not a process id."},
      {{"watch", "012"}, "\"012\" is not a process id."},
      {{"watch", "2147483648"}, "\"2147483648\" is not a process id."},
      {{"unwatch", "-3"}, "\"-3\" is not a process id."},
      {{"run", "--"}, "\"run\" needs a command after \"--\"."},
      {{"run", "sleep", "1"}, "\"run\" takes the command after \"--\": vigilix run -- sleep 1"},
      {{"status", "--", "make"}, "\"status\" takes no command after \"--\"."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    const auto parsed = parseArguments(row.arguments);
    ASSERT_FALSE(parsed.has_value());
    EXPECT_EQ(parsed.error(), row.message);
  }
}

}  // namespace
}  // namespace vigilix
