#include <string_view>

#include "direct/backup/backup_programs.h"
#include "direct/backup/time_machine_state.h"

namespace vigilix::VGXTimeMachineParser {

namespace {
std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}
}  // namespace

std::optional<bool> isRunning(const std::string& output) {
  bool anyProcess = false;
  std::string_view rest = output;
  while (!rest.empty()) {
    const auto end = rest.find('\n');
    const std::string_view line = trimmed(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (line.empty()) continue;
    if (isBackupProgram(line)) return true;
    anyProcess = true;
  }
  if (!anyProcess) return std::nullopt;
  return false;
}

VGXTimeMachineState state(const std::optional<VGXCommandOutput>& result) {
  if (!result) return VGXTimeMachineState::unknown("timeout");
  if (result->status != 0)
    return VGXTimeMachineState::unknown("exit " + std::to_string(result->status));
  const auto running = isRunning(result->output);
  if (!running) return VGXTimeMachineState::unknown("unrecognized output");
  return *running ? VGXTimeMachineState::running() : VGXTimeMachineState::idle();
}

}  // namespace vigilix::VGXTimeMachineParser
