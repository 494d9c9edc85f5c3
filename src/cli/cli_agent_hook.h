#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "agentcontracts/agent_process.h"
#include "cli/cli_arguments.h"
#include "cli/cli_client.h"

namespace vigilix {

// What a hook run reads besides its arguments; the live values come from standard input, the
// process table and the agent paths.
struct VGXCLIHookContext {
  std::vector<std::uint8_t> payload;
  // The agent's own process for a tool, found among the hook's ancestors.
  std::function<std::optional<VGXAgentProcessIdentity>(std::string_view tool)> agentProcess;
  std::filesystem::path sequenceDirectory;
  std::filesystem::path hooksLogFile;
};

// One hook event: start takes a hold (a new sequence number for the hold, the agent's process
// so the hold ends with it), stop releases that hold, end releases every hold of the session.
// Writes the outcome to the hook log and answers it. `client` is null when there is no bus.
// Never fails: a hook must not hold up or break its agent.
std::string runAgentHook(const VGXCLICommand& command, VGXCLIClient* client,
                         const VGXCLIHookContext& context);

}  // namespace vigilix
