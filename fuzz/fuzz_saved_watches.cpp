// Any stored watch list either fails to decode or decodes to entries that
// encode and decode back to themselves.
#include <cstdint>
#include <cstdlib>

#include "triggers/watch_store_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const vigilix::platform::Bytes bytes(data, data + size);
  // The former list of watches shares the watch record; it must not crash either.
  (void)vigilix::decodeWatchList(bytes);
  const auto decoded = vigilix::decodeSavedWatches(bytes);
  if (!decoded) return 0;
  const auto encoded = vigilix::encodeSavedWatches(*decoded);
  if (!encoded) return 0;  // a non-finite date read from the text
  const auto again = vigilix::decodeSavedWatches(*encoded);
  if (!again || !(*again == *decoded)) std::abort();
  return 0;
}
