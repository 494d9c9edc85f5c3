#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vigilix::platform {

// What the application names need of a desktop-entry file's
// "[Desktop Entry]" group.
struct DesktopEntry {
  std::string name;     // "Name" (unlocalised), escapes resolved
  std::string program;  // file name of the program "Exec" runs ("env" and its settings skipped)
  std::string startupWMClass;  // "StartupWMClass"
  bool hidden = false;         // "Hidden=true": the entry counts as deleted
  // "X-GNOME-Autostart-enabled=false" (as desktops' startup settings write it)
  // switches an autostart entry off.
  bool autostartEnabled = true;
  std::string icon{};  // "Icon": an icon-theme name or a path

  bool operator==(const DesktopEntry&) const = default;
};

// None unless the text has a "[Desktop Entry]" group of "Type=Application".
// Any text is safe to give; missing keys read as empty.
std::optional<DesktopEntry> parseDesktopEntry(std::string_view text);

// The XDG applications folders in order of precedence, mapped under `root`:
// <dataHome>/applications (by default <home>/.local/share), then
// <dir>/applications for each of `dataDirs` (colon-separated; by default
// /usr/local/share:/usr/share). Unset, empty and relative values are ignored.
std::vector<std::filesystem::path> applicationFolders(const std::filesystem::path& root,
                                                      const std::filesystem::path& home,
                                                      std::optional<std::string_view> dataHome,
                                                      std::optional<std::string_view> dataDirs);
// The same, with this user's home and the environment's XDG_DATA_HOME and
// XDG_DATA_DIRS.
std::vector<std::filesystem::path> userApplicationFolders(const std::filesystem::path& root);

// Names of the applications the entries of some folders describe, read once
// at construction; `isCurrent` tells whether the files still are as read. An entry's identifier is
// its path below its folder with
// '/' as '-'; an earlier folder's entry hides a later one of the same
// identifier, and within a folder entries count in sorted order.
class DesktopApplicationNames {
 public:
  explicit DesktopApplicationNames(const std::vector<std::filesystem::path>& folders);

  // The name of the first entry whose program is `executable` (a file
  // name), else of the first whose StartupWMClass is; none otherwise.
  std::optional<std::string> nameFor(std::string_view executable) const;
  // The "Icon" of that same entry; empty when none.
  std::string iconFor(std::string_view executable) const;

  // False once a folder or entry read (or found missing) has changed, so
  // that a reader can keep the names between listings.
  bool isCurrent() const;

 private:
  void addFolder(const std::filesystem::path& folder, const std::string& prefix, int depth);
  void remember(const std::filesystem::path& path);

  // Each folder and entry read, with its change time (none: missing).
  std::vector<std::pair<std::filesystem::path, std::optional<std::filesystem::file_time_type>>>
      read_;
  std::filesystem::file_time_type readAt_ = std::filesystem::file_time_type::clock::now();

  std::set<std::string, std::less<>> seen_;
  struct Named {
    std::string name;
    std::string icon;
  };
  const Named* find(std::string_view executable) const;

  std::map<std::string, Named, std::less<>> byProgram_;
  std::map<std::string, Named, std::less<>> byWMClass_;
};

}  // namespace vigilix::platform
