// Any desktop-entry file either is no application entry or names a program
// by its file name alone; any XDG folder variables give folders under the root.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/system/desktop_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto entry = vigilix::platform::parseDesktopEntry(text);
  if (entry && entry->program.find('/') != std::string_view::npos) std::abort();

  // The same bytes as "<data home>\0<data dirs>".
  const std::size_t split = text.find('\0');
  const std::string_view dataHome = text.substr(0, split);
  const std::string_view dataDirs =
      split == std::string_view::npos ? std::string_view() : text.substr(split + 1);
  for (const auto& folder :
       vigilix::platform::applicationFolders("/root", "/home/u", dataHome, dataDirs)) {
    if (!folder.lexically_normal().string().starts_with("/root/")) std::abort();
  }
  return 0;
}
