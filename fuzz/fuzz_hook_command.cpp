// A hook command built for any path reads back that path and carries the marker; any text
// yields some path no longer than itself.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "agenthooks/hook_command.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (vigilix::executablePath(text).size() > text.size()) std::abort();
  (void)vigilix::containsHookMarker(text);
  if (size == 0) return 0;
  const auto tool = vigilix::kAllAgentTools[data[0] % vigilix::kAllAgentTools.size()];
  const auto verb = static_cast<vigilix::VGXHookVerb>(data[0] / 5 % 3);
  const std::string_view path = text.substr(1);
  const std::string command = vigilix::hookCommand(tool, verb, path);
  if (vigilix::executablePath(command) != path) std::abort();
  if (!vigilix::containsHookMarker(command)) std::abort();
  return 0;
}
