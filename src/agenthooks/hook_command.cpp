#include "agenthooks/hook_command.h"

#include "platform/fs/own_program.h"

namespace vigilix {

namespace {

constexpr std::string_view kEscapedQuote = "'\\''";

bool continuesToken(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c >= 0x80;
}

// White space other than line breaks.
bool isBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

}  // namespace

bool containsHookMarker(std::string_view command) {
  for (auto at = command.find(kHookMarker); at != std::string_view::npos;
       at = command.find(kHookMarker, at + 1)) {
    const auto end = at + kHookMarker.size();
    if (end == command.size() || !continuesToken(static_cast<unsigned char>(command[end]))) {
      return true;
    }
  }
  return false;
}

std::string shellQuote(std::string_view text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += kEscapedQuote;
    } else {
      quoted += c;
    }
  }
  quoted += '\'';
  return quoted;
}

std::string hookCommand(VGXAgentTool tool, VGXHookVerb verb, std::string_view cliPath) {
  std::string command = shellQuote(cliPath);
  command += " agent ";
  command += rawValue(verb);
  command += " --tool ";
  command += rawValue(tool);
  command += ' ';
  command += kHookMarker;
  return command;
}

std::string executablePath(std::string_view command) {
  while (!command.empty() && isBlank(static_cast<unsigned char>(command.front()))) {
    command.remove_prefix(1);
  }
  while (!command.empty() && isBlank(static_cast<unsigned char>(command.back()))) {
    command.remove_suffix(1);
  }
  if (!command.starts_with('\'')) {
    const auto start = command.find_first_not_of(' ');
    if (start == std::string_view::npos) return std::string(command);
    const auto end = command.find(' ', start);
    return std::string(command.substr(start, end == std::string_view::npos ? end : end - start));
  }
  std::string path;
  std::string_view rest = command.substr(1);
  while (!rest.empty()) {
    if (rest.starts_with(kEscapedQuote)) {
      path += '\'';
      rest.remove_prefix(kEscapedQuote.size());
    } else if (rest.front() == '\'') {
      break;
    } else {
      path += rest.front();
      rest.remove_prefix(1);
    }
  }
  return path;
}

std::string commandLineToolPath(const std::filesystem::path& applicationExecutable) {
  return (applicationExecutable.parent_path() / "vigilix").string();
}

std::string commandLineToolPath() {
  const auto executable = platform::ownProgramPath();
  return executable ? commandLineToolPath(*executable) : std::string("vigilix");
}

}  // namespace vigilix
