#pragma once

#include <optional>
#include <string>

#include "direct/backup/command_runner.h"

namespace vigilix {

// Whether a backup program runs, or why that could not be told.
struct VGXTimeMachineState {
  enum class Kind { unknown, running, idle };
  Kind kind = Kind::unknown;
  std::string reason;  // only for unknown

  static VGXTimeMachineState unknown(std::string reason) {
    return {Kind::unknown, std::move(reason)};
  }
  static VGXTimeMachineState running() { return {Kind::running, {}}; }
  static VGXTimeMachineState idle() { return {Kind::idle, {}}; }
  bool operator==(const VGXTimeMachineState&) const = default;
};

// Reads the process table as the sampler's command prints it: one process
// name a line.
namespace VGXTimeMachineParser {

// The command that lists the process table.
inline constexpr const char* kExecutable = "/usr/bin/ps";
inline const std::vector<std::string>& arguments() {
  static const std::vector<std::string> list = {"-A", "-o", "comm="};
  return list;
}

// True when a line names a backup program, false when none does; none for an
// output without a single process (the lister always lists itself).
std::optional<bool> isRunning(const std::string& output);
// None: the command ran past its time-out.
VGXTimeMachineState state(const std::optional<VGXCommandOutput>& result);

}  // namespace VGXTimeMachineParser
}  // namespace vigilix
