#include "cli/cli_arguments.h"

#include <charconv>
#include <map>
#include <set>
#include <vector>

#include "agenthooks/hook_command.h"

namespace vigilix {

namespace {

constexpr std::int64_t kMaxTTL = 86'400;

struct CommandShape {
  VGXCLICommandKind kind;
  std::size_t positionals;             // after the command word
  std::set<std::string_view> options;  // accepted besides --json
};

const std::map<std::string_view, CommandShape, std::less<>>& commandShapes() {
  static const std::map<std::string_view, CommandShape, std::less<>> shapes = {
      {"help", {VGXCLICommandKind::help, 0, {}}},
      {"agent", {VGXCLICommandKind::agent, 1, {"--tool", kHookMarker}}},
      {"status", {VGXCLICommandKind::status, 0, {}}},
      {"holds", {VGXCLICommandKind::holds, 0, {}}},
      {"doctor", {VGXCLICommandKind::doctor, 0, {}}},
      {"hold", {VGXCLICommandKind::hold, 0, {"--tool", "--ttl", "--id", "--label"}}},
      {"release", {VGXCLICommandKind::release, 1, {"--tool"}}},
      {"watch", {VGXCLICommandKind::watch, 1, {"--label"}}},
      {"unwatch", {VGXCLICommandKind::unwatch, 1, {}}},
      {"run", {VGXCLICommandKind::run, 0, {}}},
  };
  return shapes;
}

// Options without a value.
bool isFlag(std::string_view option) {
  return option == "--json" || option == kHookMarker || option == "--help" || option == "--version";
}

// Whether some command takes the option; the hook marker counts by its name.
bool isKnownOption(std::string_view name) {
  for (const auto& [word, shape] : commandShapes()) {
    for (const std::string_view option : shape.options) {
      if (option.substr(0, option.find('=')) == name) return true;
    }
  }
  return isFlag(name);
}

std::optional<std::int64_t> wholeNumber(std::string_view text, std::int64_t low,
                                        std::int64_t high) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  // Digits only: no sign, no blank, no leading zero.
  if (text.empty() || text.front() == '0' || error != std::errc() || stop != end) {
    return std::nullopt;
  }
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::unexpected<std::string> fail(std::string message) {
  return std::unexpected(std::move(message));
}

}  // namespace

std::expected<VGXCLICommand, std::string> parseArguments(std::span<const std::string> arguments) {
  if (arguments.empty()) return fail("Missing command. Try \"vigilix help\".");
  std::vector<std::string_view> positionals;
  std::map<std::string_view, std::string_view> options;
  std::vector<std::string> commandLine;
  bool json = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (argument == "--") {
      commandLine.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
      break;
    }
    if (!argument.starts_with("--")) {
      positionals.push_back(argument);
      continue;
    }
    const std::size_t equals = argument.find('=');
    std::string_view name = argument.substr(0, equals);
    std::string_view value;
    // Before a value is taken for it: a mistyped option is not one that lacks its value.
    if (!isKnownOption(name)) {
      return fail("Unknown option \"" + std::string(name) + "\". Try \"vigilix help\".");
    }
    if (isFlag(argument)) {
      name = argument;
    } else if (equals != std::string_view::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      return fail("\"" + std::string(name) + "\" needs a value.");
    }
    if (name == "--help") return VGXCLICommand{};
    if (name == "--version") return VGXCLICommand{.kind = VGXCLICommandKind::version};
    if (name == "--json") {
      json = true;
      continue;
    }
    if (!options.emplace(name, value).second) {
      return fail("\"" + std::string(name) + "\" is given twice.");
    }
  }
  if (positionals.empty()) return fail("Missing command. Try \"vigilix help\".");
  const auto shape = commandShapes().find(positionals.front());
  if (shape == commandShapes().end()) {
    return fail("Unknown command \"" + std::string(positionals.front()) +
                "\". Try \"vigilix help\".");
  }
  const CommandShape& expected = shape->second;
  // The command to run, written without the "--" before it.
  if (expected.kind == VGXCLICommandKind::run && commandLine.empty() && positionals.size() > 1) {
    std::string words;
    for (std::size_t i = 1; i < positionals.size(); ++i) words += " " + std::string(positionals[i]);
    return fail("\"run\" takes the command after \"--\": vigilix run --" + words);
  }
  // release takes its id as an argument or a whole tool with --tool.
  const bool releasesTool =
      expected.kind == VGXCLICommandKind::release && options.contains("--tool");
  const std::size_t wanted = releasesTool ? 0 : expected.positionals;
  if (positionals.size() - 1 != wanted) {
    return fail("\"" + std::string(shape->first) + "\" takes " +
                (wanted == 0 ? std::string("no argument") : std::string("one argument")) + ".");
  }
  for (const auto& [name, value] : options) {
    if (!expected.options.contains(name)) {
      return fail("\"" + std::string(shape->first) + "\" has no option \"" + std::string(name) +
                  "\".");
    }
    if (value.empty() && !isFlag(name)) {
      return fail("\"" + std::string(name) + "\" needs a value.");
    }
  }

  if (expected.kind == VGXCLICommandKind::run && commandLine.empty()) {
    return fail("\"run\" needs a command after \"--\".");
  }
  if (expected.kind != VGXCLICommandKind::run && !commandLine.empty()) {
    return fail("\"" + std::string(shape->first) + "\" takes no command after \"--\".");
  }

  VGXCLICommand command{.kind = expected.kind, .commandLine = std::move(commandLine), .json = json};
  const auto option = [&](std::string_view name) {
    const auto found = options.find(name);
    return found == options.end() ? std::string() : std::string(found->second);
  };
  command.tool = option("--tool");
  command.label = option("--label");
  command.id = option("--id");
  switch (command.kind) {
    case VGXCLICommandKind::agent: {
      const std::string_view verb = positionals[1];
      if (verb == "start") {
        command.hookVerb = VGXHookVerb::start;
      } else if (verb == "stop") {
        command.hookVerb = VGXHookVerb::stop;
      } else if (verb == "end") {
        command.hookVerb = VGXHookVerb::end;
      } else {
        return fail("\"agent\" takes start, stop or end, not \"" + std::string(verb) + "\".");
      }
      if (command.tool.empty()) return fail("\"agent\" needs --tool.");
      break;
    }
    case VGXCLICommandKind::hold:
      if (command.tool.empty()) return fail("\"hold\" needs --tool.");
      if (options.contains("--ttl")) {
        command.ttl = wholeNumber(options.at("--ttl"), 1, kMaxTTL);
        if (!command.ttl) return fail("\"--ttl\" takes whole seconds from 1 to 86400.");
      }
      if (command.id.empty()) command.id = command.tool + ":cli";
      break;
    case VGXCLICommandKind::release:
      command.id = releasesTool ? command.tool : std::string(positionals[1]);
      if (command.id.empty()) return fail("\"release\" needs a hold id or --tool.");
      command.tool.clear();
      break;
    case VGXCLICommandKind::watch:
    case VGXCLICommandKind::unwatch: {
      const auto pid = wholeNumber(positionals[1], 1, INT32_MAX);
      if (!pid) return fail("\"" + std::string(positionals[1]) + "\" is not a process id.");
      command.pid = static_cast<std::int32_t>(*pid);
      break;
    }
    case VGXCLICommandKind::help:
    case VGXCLICommandKind::version:
    case VGXCLICommandKind::status:
    case VGXCLICommandKind::holds:
    case VGXCLICommandKind::doctor:
    case VGXCLICommandKind::run:
      break;
  }
  return command;
}

std::string_view usageText() {
  return "Usage: vigilix <command> [--json]\n"
         "       vigilix --version\n"
         "\n"
         "  status                      whether Vigilix keeps the computer awake, and why\n"
         "  holds                       the agent holds in force\n"
         "  doctor                      the diagnostics report\n"
         "  hold --tool <tool> [--ttl <seconds>] [--id <id>] [--label <text>]\n"
         "                              keep awake for an agent until released or expired\n"
         "  release <id> | --tool <tool>\n"
         "                              end a hold and the holds under it, or a tool's holds\n"
         "  watch <pid> [--label <text>]  keep awake until the process ends\n"
         "  unwatch <pid>               stop watching the process\n"
         "  run -- <command> [<argument>...]\n"
         "                              run the command and keep awake until it ends; exits\n"
         "                              with its status, and runs it even when Vigilix is not\n"
         "                              running\n"
         "  agent start|stop|end --tool <tool> --vigilix-hook=v1\n"
         "                              what agent hooks run; reads the event from standard\n"
         "                              input and always exits 0\n"
         "\n"
         "--json prints the application's reply as it came. Exit status: 0 done, 1 refused,\n"
         "2 bad arguments, 3 no answer from Vigilix.\n";
}

}  // namespace vigilix
