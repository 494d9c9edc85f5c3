// The `vigilix` command-line tool: agent hooks and a person's commands, answered by the
// running application over system-wide notifications.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "agentcontracts/agent_hook_log.h"
#include "agentcontracts/agent_paths.h"
#include "agentcontracts/agent_stdin.h"
#include "cli/cli_agent_hook.h"
#include "cli/cli_bus_transport.h"
#include "cli/cli_person_commands.h"
#include "cli/cli_run.h"

namespace {

using namespace vigilix;

// A hook runs before the agent goes on, so every wait stays short.
constexpr double kPayloadDeadline = 1.0;
constexpr double kHookReplyTimeout = 1.5;
constexpr double kPersonReplyTimeout = 3.0;

double secondsNow() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int runHook(const VGXCLICommand& command) {
  const double start = secondsNow();
  // Opened first: the bus admits the tool while it reads the payload and walks its ancestry.
  const auto transport = VGXCLIBusTransport::open();
  VGXCLIHookContext context{
      .payload = VGXAgentStdin::read(STDIN_FILENO, secondsNow, start + kPayloadDeadline),
      .agentProcess =
          [](std::string_view tool) {
            return VGXAgentProcess::live().identity(tool, static_cast<std::int32_t>(::getpid()));
          },
      .sequenceDirectory = VGXAgentPaths::sequenceDirectory(),
      .hooksLogFile = VGXAgentPaths::hooksLogFile(),
  };
  std::optional<VGXCLIClient> client;
  if (transport) client.emplace(**transport, kHookReplyTimeout);
  runAgentHook(command, client ? &*client : nullptr, context);
  return 0;
}

// A hook whose own command line is wrong still leaves its trace.
int logBadHook(const std::vector<std::string>& arguments, const std::string& message) {
  std::string tool;
  for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
    if (arguments[i] == "--tool") tool = arguments[i + 1];
  }
  (void)VGXAgentHookLog::append(tool, "agent", "bad arguments: " + message,
                                VGXAgentPaths::hooksLogFile());
  return 0;
}

int run(const std::vector<std::string>& arguments) {
  const auto command = parseArguments(arguments);
  if (!command) {
    if (!arguments.empty() && arguments.front() == "agent") {
      return logBadHook(arguments, command.error());
    }
    std::fprintf(stderr, "%s\n", command.error().c_str());
    return kCLIExitUsage;
  }
  if (command->kind == VGXCLICommandKind::help) {
    std::fputs(std::string(usageText()).c_str(), stdout);
    return kCLIExitDone;
  }
  if (command->kind == VGXCLICommandKind::version) {
    std::puts("vigilix " VIGILIX_VERSION);
    return kCLIExitDone;
  }
  if (command->kind == VGXCLICommandKind::agent) return runHook(*command);
  const auto transport = VGXCLIBusTransport::open();
  if (command->kind == VGXCLICommandKind::run) {
    // The person's command runs even when the application cannot be reached.
    std::optional<VGXCLIClient> client;
    if (transport) client.emplace(**transport, kPersonReplyTimeout);
    return runWatched(*command, client ? &*client : nullptr,
                      [](const std::string& text) { std::fputs(text.c_str(), stderr); });
  }
  if (!transport) {
    std::fprintf(stderr, "Vigilix can't be reached: %s\n", transport.error().description().c_str());
    return kCLIExitNoAnswer;
  }
  VGXCLIClient client(**transport, kPersonReplyTimeout);
  VGXCLIOutput output = runPersonCommand(*command, client);
  // A bus that refused the tool leaves no answer; it says why.
  if (const auto failure = (*transport)->failure();
      failure && output.exitCode == kCLIExitNoAnswer) {
    output.err = "Vigilix can't be reached: " + failure->description() + "\n";
  }
  std::fputs(output.out.c_str(), stdout);
  std::fputs(output.err.c_str(), stderr);
  return output.exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    return run(arguments);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vigilix: %s\n", error.what());
  }
  // An agent must never see its hook fail.
  return !arguments.empty() && arguments.front() == "agent" ? 0 : kCLIExitRefused;
}
