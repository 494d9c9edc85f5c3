// The process table as the lister prints it: any text reads as a backup
// running, none running, or unrecognized, and a successful listing with a
// process in it is never unrecognized.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "direct/backup/time_machine_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  using vigilix::VGXTimeMachineState;
  const VGXTimeMachineState state =
      vigilix::VGXTimeMachineParser::state(vigilix::VGXCommandOutput{text, 0});
  const bool anyName = text.find_first_not_of(" \t\r\n") != std::string::npos;
  if (anyName == (state == VGXTimeMachineState::unknown("unrecognized output"))) std::abort();
  return 0;
}
