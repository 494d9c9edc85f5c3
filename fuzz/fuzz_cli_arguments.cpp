// Any argument vector (the input cut at NUL bytes) is either refused with a message or read
// into a command that keeps the tool's limits.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cli_arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> arguments(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      arguments.emplace_back();
    } else {
      arguments.back() += static_cast<char>(data[i]);
    }
  }
  if (size == 0) arguments.clear();
  const auto command = vigilix::parseArguments(arguments);
  if (!command) {
    if (command.error().empty()) std::abort();
    return 0;
  }
  using K = vigilix::VGXCLICommandKind;
  const bool takesPid = command->kind == K::watch || command->kind == K::unwatch;
  if (takesPid != (command->pid > 0)) std::abort();
  if ((command->kind == K::run) == command->commandLine.empty()) std::abort();
  if (command->ttl && (*command->ttl < 1 || *command->ttl > 86'400)) std::abort();
  if ((command->kind == K::agent || command->kind == K::hold) && command->tool.empty()) {
    std::abort();
  }
  if ((command->kind == K::hold || command->kind == K::release) && command->id.empty()) {
    std::abort();
  }
  return 0;
}
