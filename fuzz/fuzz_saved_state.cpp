// Any saved keep-awake state either fails to decode, or decodes to a state
// that can be written again and read back: what was read is never stuck.
#include <cstdint>
#include <cstdlib>

#include "keepawake/persistent_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const vigilix::platform::Bytes bytes(data, data + size);
  const auto decoded = vigilix::decodePersistentState(bytes);
  if (!decoded) return 0;
  const auto encoded = vigilix::encodePersistentState(*decoded);
  if (!encoded) std::abort();
  const auto again = vigilix::decodePersistentState(*encoded);
  if (!again || again->kind != decoded->kind) std::abort();
  return 0;
}
