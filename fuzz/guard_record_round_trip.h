// Any stored guard record either fails to decode or decodes to a record that
// encodes and decodes back to itself.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "platform/base/property_value.h"

template <typename Decode, typename Encode>
int guardRecordRoundTrip(const std::uint8_t* data, std::size_t size, Decode decode, Encode encode) {
  const auto decoded = decode(vigilix::platform::Bytes(data, data + size));
  if (!decoded) return 0;
  const auto encoded = encode(*decoded);
  if (!encoded) std::abort();  // decoded texts are valid UTF-8, so this cannot fail
  const auto again = decode(*encoded);
  if (!again || !(*again == *decoded)) std::abort();
  return 0;
}
