#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vigilix {

// An application a person picked or dropped, as its desktop entry names it.
struct DesktopAppFile {
  // What the app rules compare with running applications: the file name
  // of the program the entry runs.
  std::string identifier;
  std::string name;
  // The icon-theme name (or path) of the entry's "Icon"; empty when none.
  std::string iconName;

  bool operator==(const DesktopAppFile&) const = default;
};

// Only files named "*.desktop" count, as a drop or a pick from the panel
// offers them.
bool isDesktopFilePath(const std::filesystem::path& path);

// The app a ".desktop" file describes; none for another file, one that
// cannot be read, is not an application entry or runs no program.
std::optional<DesktopAppFile> readDesktopAppFile(const std::filesystem::path& path);

// The XDG applications folders of this user, where the "Add…" panel opens.
std::vector<std::filesystem::path> userApplicationFolders();

// The icon of each app the rules name: a running application's own, else
// that of the first desktop entry in `folders` that runs it; empty when none.
std::vector<std::string> appIconNames(const std::vector<std::string>& identifiers,
                                      const std::vector<std::filesystem::path>& folders);

}  // namespace vigilix
