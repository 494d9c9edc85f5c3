#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "cli/cli_arguments.h"
#include "cli/cli_client.h"

namespace vigilix {

// Exit status when the command cannot be started, as shells answer.
inline constexpr int kCLIExitCannotRun = 127;

// Starts `command.commandLine` as a child with the tool's standard streams and environment, asks
// the application through `client` (null: it cannot be reached) to keep awake until the child
// ends, and answers the child's exit status, 128 + the signal that ended it, or 127 when it could
// not be started. SIGINT, SIGTERM and SIGHUP sent to the tool go to the child meanwhile, once:
// those the terminal sent to the process group the child shares reach it without help. The
// command runs whatever the application says; `note` gets one-line texts for the person (the raw
// replies with --json). Blocks; the main thread only, since it sets signal handlers.
int runWatched(const VGXCLICommand& command, VGXCLIClient* client,
               const std::function<void(const std::string&)>& note);

// The watch label for a program: its file name, cut to the label limit.
std::string runLabel(std::string_view program);

// What a person is told when the command runs without the application keeping awake.
inline constexpr const char* kCLIRunWithoutAnswerMessage =
    "Vigilix didn't answer; running without keeping awake.\n";

}  // namespace vigilix
