// Any /proc/<pid>/cmdline either holds no usable argument vector or one of
// 1 to 256 arguments that, joined by NUL, give back the bytes read. Any stat
// line and /proc/stat text is read without fault.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/process/process_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  (void)vigilix::platform::statShowsZombie(bytes);
  if (const auto stat = vigilix::platform::parseProcessStat(bytes); stat && stat->parent < 0) {
    std::abort();
  }
  (void)vigilix::platform::parseBootTime(bytes);
  const auto arguments = vigilix::platform::parseCommandLine(bytes);
  if (!arguments) return 0;
  if (arguments->empty() || arguments->size() > 256) std::abort();
  std::string joined;
  for (const std::string& argument : *arguments) joined += argument + '\0';
  if (joined != bytes && joined.substr(0, joined.size() - 1) != bytes) std::abort();
  return 0;
}
