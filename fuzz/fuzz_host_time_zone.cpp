// Any TZ value names either no zone or a plain name, with no climbing or absolute part,
// of a zone file inside the root's zone folder.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "platform/locale/host_time_zone.h"

namespace {

// A root with one zone, removed when the run ends.
struct Zones {
  std::filesystem::path folder;
  Zones()
      : folder(std::filesystem::temp_directory_path() /
               ("vigilix-fuzz-zones-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(folder / "usr/share/zoneinfo/Europe");
    std::filesystem::create_directories(folder / "etc");
    std::ofstream(folder / "usr/share/zoneinfo/Europe/London") << "TZif";
    std::ofstream(folder / "etc/timezone") << "Europe/London\n";
  }
  ~Zones() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
};

const std::filesystem::path& root() {
  static const Zones zones;
  return zones.folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view tz(reinterpret_cast<const char*>(data), size);
  const auto name = vigilix::platform::hostTimeZoneName(tz, root());
  if (!name) return 0;
  const std::filesystem::path path(*name);
  if (name->empty() || path.is_absolute() || name->find('\0') != std::string::npos) std::abort();
  for (const auto& part : path) {
    if (part == ".." || part == ".") std::abort();
  }
  if (!std::filesystem::is_regular_file(root() / "usr/share/zoneinfo" / path)) std::abort();
  return 0;
}
