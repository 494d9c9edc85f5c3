// Any text in a session's epoch file either reads as nothing or as a pin whose own text reads
// back as the same pin.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "agentcontracts/agent_session_pin.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace Pins = vigilix::VGXAgentSessionPins;
  const auto pin = Pins::decode(std::string_view(reinterpret_cast<const char*>(data), size));
  if (pin && Pins::decode(Pins::encode(*pin)) != pin) std::abort();
  return 0;
}
