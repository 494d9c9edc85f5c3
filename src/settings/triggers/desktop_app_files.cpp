#include "settings/triggers/desktop_app_files.h"

#include "platform/fs/file_system.h"
#include "platform/system/desktop_entries.h"

namespace vigilix {

bool isDesktopFilePath(const std::filesystem::path& path) { return path.extension() == ".desktop"; }

std::optional<DesktopAppFile> readDesktopAppFile(const std::filesystem::path& path) {
  if (!isDesktopFilePath(path)) return std::nullopt;
  const auto text = platform::FileSystem::readFile(path);
  if (!text) return std::nullopt;
  const auto entry = platform::parseDesktopEntry(*text);
  if (!entry || entry->hidden || entry->program.empty()) return std::nullopt;
  return DesktopAppFile{entry->program, entry->name.empty() ? entry->program : entry->name,
                        entry->icon};
}

std::vector<std::filesystem::path> userApplicationFolders() {
  return platform::userApplicationFolders(platform::FileSystem::root());
}

}  // namespace vigilix
