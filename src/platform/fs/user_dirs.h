#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vigilix::platform {

// The folder a "user-dirs.dirs" file (written by xdg-user-dirs) names for
// `key`, such as "XDG_DOWNLOAD_DIR": a line KEY="$HOME/sub" or KEY="/abs"
// (the last such line counts). None when the key is absent, its value is not
// one of those two forms, or it names the home folder itself, which the
// conventions use for "no such folder". A path never leaves `home` through
// ".." in the "$HOME/" form, and holds no backslash escapes (the file's quoting).
std::optional<std::string> userDirsFolder(std::string_view text, std::string_view key,
                                          std::string_view home);

// The user's download folder: "XDG_DOWNLOAD_DIR" of
// $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Downloads when that folder exists,
// else none. Includes no file-system header, so that any layer may ask.
std::optional<std::filesystem::path> userDownloadsFolder();

}  // namespace vigilix::platform
