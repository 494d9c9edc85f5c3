// What `systemctl show` prints for the guard's three units: any text reads as
// an answer or as unreadable, never more.
#include <cstdint>
#include <string_view>

#include "sleepguard/installer/systemctl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)vigilix::anyUnitActive(text, 3);
  (void)vigilix::anyUnitActive(text, 1);
  return 0;
}
