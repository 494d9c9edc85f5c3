#pragma once

#include <optional>
#include <string>

namespace vigilix {

// The General pane's "Command-Line Tool" row: the command that links the
// tool installed beside the program into /usr/local/bin.
namespace VGXCommandLineToolRow {

inline constexpr const char* kLinkPath = "/usr/local/bin/vigilix";

// The path in single quotes, each quote inside written as '\'' so the
// shell reads the path back exactly.
std::string shellQuoted(const std::string& path);
// "sudo ln -sf '<tool>' /usr/local/bin/vigilix".
std::string installCommand(const std::string& toolPath);
// Whether a folder of the colon-separated `pathVariable` holds a file named
// `toolName` that `isExecutable` accepts. Empty entries are the current
// folder, which is not where a user's shell finds an installed tool.
bool isOnPath(const std::string& pathVariable, const std::string& toolName,
              bool (*isExecutable)(const std::string& path));
// The command the row shows: none when the tool beside the program is
// missing (the row is absent) or already found on PATH.
std::optional<std::string> rowCommand(const std::string& toolPath, const std::string& pathVariable,
                                      bool (*isExecutable)(const std::string& path));

}  // namespace VGXCommandLineToolRow

}  // namespace vigilix
