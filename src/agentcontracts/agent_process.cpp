#include "agentcontracts/agent_process.h"

#include <unistd.h>

#include <algorithm>
#include <optional>
#include <set>

#include "platform/base/text.h"
#include "platform/system/file_paths.h"

namespace vigilix {

namespace {

constexpr std::string_view kReplacedSuffix = " (deleted)";

// How a tool's process shows on Linux: a native build under its own name (or kept as
// ".../versions/<version>"), or a script that a JavaScript runtime runs, named by its package
// folder or by the command it was installed as.
struct ToolProcess {
  std::string_view tool;
  std::vector<std::string_view> executables;
  std::vector<std::string_view> folders;   // part of a native build's path
  std::vector<std::string_view> packages;  // part of a script's path
};

const std::vector<ToolProcess>& toolProcesses() {
  static const std::vector<ToolProcess> table = {
      {"claude", {"claude"}, {"/claude/versions/"}, {"/@anthropic-ai/claude-code/"}},
      {"codex",
       {"codex", "codex-x86_64-unknown-linux-musl", "codex-aarch64-unknown-linux-musl"},
       {},
       {"/@openai/codex/"}},
      {"grok", {"grok"}, {}, {"/@vibe-kit/grok-cli/"}},
      {"cursor", {"cursor-agent", "cursor"}, {"/cursor-agent/versions/"}, {"/cursor-agent/"}},
      {"gemini", {"gemini"}, {}, {"/@google/gemini-cli/"}},
  };
  return table;
}

std::string withoutReplacedSuffix(std::string path) {
  if (path.ends_with(kReplacedSuffix)) path.resize(path.size() - kReplacedSuffix.size());
  return path;
}

bool contains(const std::vector<std::string_view>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool containsAny(std::string_view text, const std::vector<std::string_view>& parts) {
  return std::any_of(parts.begin(), parts.end(),
                     [&](std::string_view part) { return text.find(part) != std::string::npos; });
}

bool isScriptRuntime(std::string_view name) {
  return name == "node" || name == "nodejs" || name == "bun";
}

// The script a runtime was started with: its first argument that is not an option.
std::optional<std::string> scriptOf(const std::vector<std::string>& arguments) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (!arguments[i].starts_with('-')) return arguments[i];
  }
  return std::nullopt;
}

bool mentionsGemini(const std::vector<std::string>& arguments) {
  return std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
    return platform::containsIgnoringCase(argument, "gemini");
  });
}

}  // namespace

VGXAgentProcess::VGXAgentProcess(platform::ProcessListing listing, std::int32_t ownParent)
    : listing_(std::move(listing)), ownParent_(ownParent) {}

VGXAgentProcess VGXAgentProcess::live() {
  return VGXAgentProcess(platform::ProcessListing(), static_cast<std::int32_t>(::getppid()));
}

std::optional<std::string> VGXAgentProcess::executablePath(std::int32_t pid) const {
  return listing_.executablePath(pid);
}

std::vector<std::string> VGXAgentProcess::arguments(std::int32_t pid) const {
  return listing_.arguments(pid).value_or(std::vector<std::string>{});
}

bool VGXAgentProcess::matches(std::string_view tool, std::int32_t pid) const {
  const auto found = executablePath(pid);
  if (!found) return false;
  const std::string path = withoutReplacedSuffix(*found);
  const std::string name = platform::lastPathComponent(path);
  const auto known = std::find_if(toolProcesses().begin(), toolProcesses().end(),
                                  [&](const ToolProcess& each) { return each.tool == tool; });
  if (known == toolProcesses().end()) return name == tool;
  if (contains(known->executables, name) || containsAny(path, known->folders)) return true;
  const std::vector<std::string> argv = arguments(pid);
  // A tool may set its process title to its own name, which replaces its arguments.
  if (!argv.empty() && contains(known->executables, argv.front())) return true;
  if (!isScriptRuntime(name)) return false;
  if (const auto script = scriptOf(argv)) {
    if (contains(known->executables, platform::lastPathComponent(*script)) ||
        containsAny(*script, known->packages)) {
      return true;
    }
  }
  return tool == "gemini" && name != "bun" && mentionsGemini(argv);
}

std::optional<VGXAgentProcessIdentity> VGXAgentProcess::identity(std::string_view tool,
                                                                 std::int32_t startingAt) const {
  const auto bootTime = listing_.bootTime();
  if (!bootTime) return std::nullopt;
  const auto start = listing_.record(startingAt, *bootTime);
  std::int32_t candidate = start ? start->parent : ownParent_;
  std::set<std::int32_t> seen;
  while (candidate > 1 && seen.insert(candidate).second) {
    const auto record = listing_.record(candidate, *bootTime);
    if (!record) break;
    if (matches(tool, candidate)) return VGXAgentProcessIdentity{candidate, record->startTime};
    candidate = record->parent;
  }
  // No ancestor is the agent: the hold then lasts for its time to live alone, never for the
  // short life of the shell that ran the hook.
  return std::nullopt;
}

}  // namespace vigilix
