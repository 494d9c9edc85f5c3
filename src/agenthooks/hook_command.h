#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "agenthooks/agent_tool.h"

namespace vigilix {

// Marks a hook entry as ours. Only the token itself counts: followed by the end of the text
// or by a character that is not an ASCII letter, digit or "." (any byte above 0x7F counts as
// a letter), so "--vigilix-hook=v10" or "--vigilix-hook=v1.1" belong to someone else.
inline constexpr std::string_view kHookMarker = "--vigilix-hook=v1";
bool containsHookMarker(std::string_view command);

// "'" + text + "'" with every "'" inside written "'\''"; bytes otherwise as they are.
std::string shellQuote(std::string_view text);

// The command a hook runs: "<quoted cliPath> agent <verb> --tool <tool> --vigilix-hook=v1".
std::string hookCommand(VGXAgentTool tool, VGXHookVerb verb, std::string_view cliPath);

// The command-line path a hook command starts with, the inverse of the quoting above: an
// unquoted command gives its first space-separated word, an unterminated quote runs to the
// end. Never fails; any text gives some (possibly empty) path.
std::string executablePath(std::string_view command);

// The command-line tool hooks run: "vigilix" beside the application's executable (the running
// program's own, from /proc/self/exe, when none is given; the bare name, which an installed
// tool on PATH answers, when that cannot be read).
std::string commandLineToolPath(const std::filesystem::path& applicationExecutable);
std::string commandLineToolPath();

}  // namespace vigilix
