#include "settings/triggers/desktop_app_files.h"

#include "platform/base/text.h"
#include "platform/fs/file_system.h"
#include "platform/system/desktop_entries.h"
#include "platform/system/running_applications.h"

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

std::vector<std::string> appIconNames(const std::vector<std::string>& identifiers,
                                      const std::vector<std::filesystem::path>& folders) {
  const auto running = platform::RunningApplications::current().runningApplications();
  std::optional<platform::DesktopApplicationNames> entries;
  std::vector<std::string> icons;
  for (const std::string& identifier : identifiers) {
    std::string icon;
    for (const auto& app : running) {
      if (app.bundleIdentifier && !app.iconName.empty() &&
          platform::equalsIgnoringCase(*app.bundleIdentifier, identifier)) {
        icon = app.iconName;
        break;
      }
    }
    if (icon.empty()) {
      // The entries are read once, and only when a listed app is not running.
      if (!entries) entries.emplace(folders);
      icon = entries->iconFor(identifier);
    }
    icons.push_back(std::move(icon));
  }
  return icons;
}

}  // namespace vigilix
