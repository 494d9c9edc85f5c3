#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/buswire/bus_message.h"

// A message from the bus. One that decodes has the length its fixed header announces, and one
// whose fields and body the client can write again decodes back to the same message.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vigilix::platform;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto length = busMessageLength(bytes);
  const auto message = decodeBusMessage(bytes);
  if (!message) return 0;
  if (!length || *length != size) std::abort();
  const auto encoded = encodeBusMessage(*message);
  if (!encoded) return 0;
  if (decodeBusMessage(*encoded) != *message) std::abort();
  return 0;
}
