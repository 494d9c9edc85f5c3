// Any stored trigger rules either fail to decode or decode to a configuration
// that encodes and decodes back to itself.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "triggers/trigger_configuration_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto decoded = vigilix::decodeTriggerConfiguration(text);
  if (!decoded) return 0;
  const auto encoded = vigilix::encodeTriggerConfiguration(*decoded);
  if (!encoded) return 0;  // a non-finite number read from the text
  const auto again = vigilix::decodeTriggerConfiguration(std::string_view(*encoded));
  if (!again || !(*again == *decoded)) std::abort();
  return 0;
}
