// Any user-dirs file names either no folder or an absolute, normal path that
// stays inside the home folder when it is given relative to it.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "platform/fs/user_dirs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto folder = vigilix::platform::userDirsFolder(text, "XDG_DOWNLOAD_DIR", "/home/u");
  if (!folder) return 0;
  if (!folder->starts_with('/')) std::abort();
  if (std::filesystem::path(*folder).lexically_normal().string() != *folder) std::abort();
  if (folder->starts_with("/home/u") && *folder == "/home/u") std::abort();
  return 0;
}
