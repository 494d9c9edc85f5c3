#pragma once

#include <string>

#include "cli/cli_arguments.h"
#include "cli/cli_client.h"

namespace vigilix {

// Exit statuses of the commands a person runs.
inline constexpr int kCLIExitDone = 0;
inline constexpr int kCLIExitRefused = 1;
inline constexpr int kCLIExitUsage = 2;
inline constexpr int kCLIExitNoAnswer = 3;

struct VGXCLIOutput {
  int exitCode = kCLIExitDone;
  std::string out{};  // for standard output
  std::string err{};  // for standard error
  bool operator==(const VGXCLIOutput&) const = default;
};

// Runs status, holds, doctor, hold, release, watch or unwatch and says the outcome in words, or
// as the raw reply with --json. Help, agent and run are not handled here.
VGXCLIOutput runPersonCommand(const VGXCLICommand& command, VGXCLIClient& client);

// What a person is told when the application does not answer.
inline constexpr const char* kCLINoAnswerMessage =
    "Vigilix didn't answer. Is the application running?\n";

}  // namespace vigilix
