#include "platform/fs/user_dirs.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/fs/file_system.h"
#include "platform/fs/standard_folders.h"

namespace vigilix::platform {

namespace {

std::string_view trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// The quoted value, its backslash escapes undone; none when it is not quoted.
std::optional<std::string> unquoted(std::string_view value) {
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::nullopt;
  value = value.substr(1, value.size() - 2);
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\') {
      // A backslash escapes the next character; one at the end escaped the closing quote.
      if (++i == value.size()) return std::nullopt;
    } else if (value[i] == '"') {
      return std::nullopt;
    }
    out += value[i];
  }
  return out;
}

}  // namespace

std::optional<std::string> userDirsFolder(std::string_view text, std::string_view key,
                                          std::string_view home) {
  std::optional<std::string> found;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || trimmed(line.substr(0, equals)) != key) continue;
    std::optional<std::string> value = unquoted(trimmed(line.substr(equals + 1)));
    if (!value) {
      found.reset();
      continue;
    }
    std::filesystem::path path;
    if (value->starts_with("$HOME/") || *value == "$HOME") {
      const std::filesystem::path below = std::filesystem::path(value->substr(5)).relative_path();
      const std::filesystem::path normal = below.lexically_normal();
      if (!normal.empty() && *normal.begin() == "..") {
        found.reset();
        continue;
      }
      path = (std::filesystem::path(home) / normal).lexically_normal();
    } else if (value->starts_with('/')) {
      path = std::filesystem::path(*value).lexically_normal();
    } else {
      found.reset();
      continue;
    }
    std::string folder = path.string();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    std::string homeFolder(home);
    while (homeFolder.size() > 1 && homeFolder.back() == '/') homeFolder.pop_back();
    if (folder == homeFolder) {
      found.reset();
      continue;
    }
    found = std::move(folder);
  }
  return found;
}

std::optional<std::filesystem::path> userDownloadsFolder() {
  const FileSystem::Path home = FileSystem::homeDirectory();
  // The config folder's parent: $XDG_CONFIG_HOME, else ~/.config.
  const FileSystem::Path config = standardFolder(StandardFolder::autostart).parent_path();
  std::ifstream file(config / "user-dirs.dirs");
  if (file) {
    std::stringstream text;
    text << file.rdbuf();
    if (auto folder = userDirsFolder(text.str(), "XDG_DOWNLOAD_DIR", home.string())) {
      return std::filesystem::path(*folder);
    }
  }
  std::error_code error;
  if (std::filesystem::is_directory(home / "Downloads", error)) return home / "Downloads";
  return std::nullopt;
}

}  // namespace vigilix::platform
