// Any stored incident log either fails to decode as a whole or decodes to
// incidents that always encode (the log's writes never fail) and decode back
// to themselves.
#include <cstdint>
#include <cstdlib>

#include "health/incident.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const vigilix::platform::Bytes bytes(data, data + size);
  const auto decoded = vigilix::decodeIncidents(bytes);
  if (!decoded) return 0;
  const auto encoded = vigilix::encodeIncidents(*decoded);
  if (!encoded) std::abort();
  const auto again = vigilix::decodeIncidents(*encoded);
  if (!again || !(*again == *decoded)) std::abort();
  return 0;
}
