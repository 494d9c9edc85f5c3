#include "settings/command_line_tool_row.h"

namespace vigilix::VGXCommandLineToolRow {

std::string shellQuoted(const std::string& path) {
  std::string quoted = "'";
  for (char c : path) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string installCommand(const std::string& toolPath) {
  return "sudo ln -sf " + shellQuoted(toolPath) + " " + kLinkPath;
}

bool isOnPath(const std::string& pathVariable, const std::string& toolName,
              bool (*isExecutable)(const std::string& path)) {
  std::size_t start = 0;
  while (start <= pathVariable.size()) {
    std::size_t end = pathVariable.find(':', start);
    if (end == std::string::npos) end = pathVariable.size();
    std::string folder = pathVariable.substr(start, end - start);
    if (!folder.empty() && isExecutable(folder + "/" + toolName)) return true;
    start = end + 1;
  }
  return false;
}

std::optional<std::string> rowCommand(const std::string& toolPath, const std::string& pathVariable,
                                      bool (*isExecutable)(const std::string& path)) {
  if (!isExecutable(toolPath)) return std::nullopt;
  auto slash = toolPath.rfind('/');
  std::string name = slash == std::string::npos ? toolPath : toolPath.substr(slash + 1);
  if (isOnPath(pathVariable, name, isExecutable)) return std::nullopt;
  return installCommand(toolPath);
}

}  // namespace vigilix::VGXCommandLineToolRow
