// Any stored durations list gives whole positive durations, each once, that
// a 64-bit integer holds exactly; the same bytes read as one text entry too.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "menubar/activation_durations_controller.h"
#include "platform/defaults/property_list_codec.h"

namespace {

void check(const vigilix::platform::PropertyArray& list) {
  std::set<double> seen;
  for (const auto& duration : vigilix::activationDurationsFromStoredList(list)) {
    const double seconds = duration.seconds();
    if (!(seconds >= 1) || seconds != std::trunc(seconds) || seconds >= 9223372036854775808.0) {
      std::abort();
    }
    if (!seen.insert(seconds).second) std::abort();
    (void)duration.hash();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (auto decoded = vigilix::platform::decodePropertyList(bytes)) {
    if (const auto* array = std::get_if<vigilix::platform::PropertyArray>(&decoded->value)) {
      check(*array);
    }
  }
  check({vigilix::platform::PropertyValue(bytes)});
  return 0;
}
