#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process/process_listing.h"

namespace vigilix {

// The agent's own process, so that a hold can end when it ends.
struct VGXAgentProcessIdentity {
  std::int32_t pid = 0;
  std::int64_t pidStart = 0;  // start time in whole seconds since 1970, as /proc gives it

  bool operator==(const VGXAgentProcessIdentity&) const = default;
};

// Finds an agent tool's process among the ancestors of the hook, over the
// process table of a root folder ("/" live; a laid-out temporary folder in
// tests). Keeps no state; any thread; a process may end between two reads.
class VGXAgentProcess {
 public:
  // `ownParent`: the parent of the running hook (getppid() live).
  VGXAgentProcess(platform::ProcessListing listing, std::int32_t ownParent);
  // This process in the live process table.
  static VGXAgentProcess live();

  // The nearest ancestor of `startingAt` (not itself) whose process is the tool's. None when
  // the walk reaches process 1, a repeated or unreadable process.
  std::optional<VGXAgentProcessIdentity> identity(std::string_view tool,
                                                  std::int32_t startingAt) const;
  // Whether the process is the tool's as it runs on Linux: a native build by its file name
  // ("cursor" also as "cursor-agent" and the editor "cursor", "codex" also as its per-machine
  // builds) or kept under a versions folder (".../claude/versions/2.0.1"); a process whose
  // title is that name; or node, nodejs or bun running the tool's package or installed command
  // (".../@anthropic-ai/claude-code/cli.js", ".../bin/claude"). "gemini" also matches node with
  // any argument holding "gemini" in any case. Any other tool matches its own file name only.
  // A shell never matches, whatever its command line holds. An executable replaced while it
  // runs still counts.
  bool matches(std::string_view tool, std::int32_t pid) const;
  std::optional<std::string> executablePath(std::int32_t pid) const;
  // Empty when they cannot be read.
  std::vector<std::string> arguments(std::int32_t pid) const;

 private:
  platform::ProcessListing listing_;
  std::int32_t ownParent_;
};

}  // namespace vigilix
