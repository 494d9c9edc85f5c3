#include "platform/fs/standard_folders.h"

#include <cstdlib>
#include <string_view>

namespace vigilix::platform {

namespace {

enum class Base { configHome, stateHome, dataHome, cacheHome, system };

struct Place {
  StandardFolder folder;
  Base base;
  std::string_view path;  // below the base; absolute for system folders
};

// The one place that says where each folder lives.
constexpr Place kPlaces[] = {
    {StandardFolder::userPreferences, Base::configHome, "vigilix"},
    {StandardFolder::appGroupPreferences, Base::configHome, "vigilix"},
    {StandardFolder::managedPreferences, Base::system, "/etc/vigilix/managed"},
    {StandardFolder::anyUserPreferences, Base::system, "/etc/vigilix"},
    {StandardFolder::logs, Base::stateHome, "vigilix"},
    {StandardFolder::appData, Base::dataHome, "vigilix"},
    {StandardFolder::autostart, Base::configHome, "autostart"},
    {StandardFolder::caches, Base::cacheHome, "vigilix"},
};

// An XDG variable counts only when it holds an absolute path; a relative one
// is ignored, as the conventions say.
FileSystem::Path homeBase(const char* variable, std::string_view fallback) {
  if (!FileSystem::isHomeDirectorySet()) {
    if (const char* value = std::getenv(variable); value != nullptr && *value == '/') {
      return FileSystem::Path(value).lexically_normal();
    }
  }
  return FileSystem::homeDirectory() / fallback;
}

}  // namespace

FileSystem::Path standardFolder(StandardFolder folder) {
  for (const Place& place : kPlaces) {
    if (place.folder != folder) continue;
    switch (place.base) {
      case Base::configHome:
        return homeBase("XDG_CONFIG_HOME", ".config") / place.path;
      case Base::stateHome:
        return homeBase("XDG_STATE_HOME", ".local/state") / place.path;
      case Base::dataHome:
        return homeBase("XDG_DATA_HOME", ".local/share") / place.path;
      case Base::cacheHome:
        return homeBase("XDG_CACHE_HOME", ".cache") / place.path;
      case Base::system:
        return FileSystem::pathFor(place.path);
    }
  }
  return FileSystem::pathFor("/");  // unreachable: every folder has a place
}

FileSystem::Path propertyListFile(StandardFolder folder, const std::string& name) {
  std::string safe = name;
  for (char& c : safe) {
    if (c == '/') c = '_';
  }
  if (safe.empty() || safe == "." || safe == "..") safe = "_" + safe;
  return standardFolder(folder) / (safe + ".plist");
}

}  // namespace vigilix::platform
