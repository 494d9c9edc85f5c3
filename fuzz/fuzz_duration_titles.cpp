// Any kept duration-titles file either is refused or reads back to the same text.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "menubar/activation_duration_titles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto table = vigilix::decodeDurationTitles(text);
  if (!table) return 0;
  if (vigilix::encodeDurationTitles(*table) != text) std::abort();
  return 0;
}
