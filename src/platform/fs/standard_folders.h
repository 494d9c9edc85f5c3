#pragma once

#include <string>

#include "platform/fs/file_system.h"

namespace vigilix::platform {

// The folders the system keeps its files in, placed where a Linux user and
// administrator look for them (the XDG base-directory conventions).
enum class StandardFolder {
  userPreferences,      // the user's defaults domains ("~/Library/Preferences")
  appGroupPreferences,  // the app-group suite shared with the extension
  managedPreferences,   // forced by the administrator ("/Library/Managed Preferences")
  anyUserPreferences,   // set for every user of the host ("/Library/Preferences")
  logs,                 // plain log files
  appData,              // the application's own support files ("~/Library/Application Support")
  autostart,            // programs the desktop starts at login
  caches,               // what can be made again, kept to save the work ("~/Library/Caches")
};

// The folder as a real path. Home folders follow $XDG_CONFIG_HOME,
// $XDG_STATE_HOME, $XDG_DATA_HOME and $XDG_CACHE_HOME when they hold an absolute path, else
// ~/.config, ~/.local/state, ~/.local/share and ~/.cache under FileSystem::homeDirectory() (only
// those while a test has set the home folder). System folders lie under FileSystem::root(). Reads
// the environment at each call; thread-safe.
FileSystem::Path standardFolder(StandardFolder folder);

// "<folder>/<name>.plist" for a domain or suite name, which always stays one
// file inside the folder: "/" becomes "_", and "", "." and ".." get a "_" in front.
FileSystem::Path propertyListFile(StandardFolder folder, const std::string& name);

}  // namespace vigilix::platform
