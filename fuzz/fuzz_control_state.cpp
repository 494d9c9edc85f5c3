// Any stored control state either fails to decode, or decodes to a state that
// can be written again and reads back equal.
#include <cstdint>
#include <cstdlib>

#include "controls/control_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const vigilix::platform::Bytes bytes(data, data + size);
  const auto decoded = vigilix::VGXControlState::decode(bytes);
  if (!decoded) return 0;
  const auto encoded = decoded->encode();
  if (!encoded) std::abort();
  const auto again = vigilix::VGXControlState::decode(*encoded);
  if (!again || !(*again == *decoded)) std::abort();
  return 0;
}
