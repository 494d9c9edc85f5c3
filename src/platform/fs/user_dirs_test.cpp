#include "platform/fs/user_dirs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/fs/file_system.h"
#include "testing/temporary_root.h"

namespace vigilix::platform {
namespace {

TEST(UserDirsTest, TheDownloadFolderIsReadAsXdgUserDirsWritesIt) {
  struct Row {
    const char* name;
    const char* text;
    std::optional<std::string> folder;
  };
  const Row rows[] = {
      {"below home", "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n", "/home/ada/Downloads"},
      {"absolute", "XDG_DOWNLOAD_DIR=\"/data/dl/\"", "/data/dl"},
      {"comments, other keys and blanks",
       "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n\n"
       "  XDG_DOWNLOAD_DIR = \"$HOME/Téléchargements\"  \r\n",
       "/home/ada/Téléchargements"},
      {"the last line counts", "XDG_DOWNLOAD_DIR=\"$HOME/a\"\nXDG_DOWNLOAD_DIR=\"$HOME/b\"",
       "/home/ada/b"},
      {"escaped quote", R"(XDG_DOWNLOAD_DIR="$HOME/my \"dl\"")", "/home/ada/my \"dl\""},
      {"the closing quote escaped", R"(XDG_DOWNLOAD_DIR="$HOME/dl\")", std::nullopt},
      {"home itself means none", "XDG_DOWNLOAD_DIR=\"$HOME/\"", std::nullopt},
      {"relative is refused", "XDG_DOWNLOAD_DIR=\"Downloads\"", std::nullopt},
      {"unquoted is refused", "XDG_DOWNLOAD_DIR=$HOME/Downloads", std::nullopt},
      {"leaving home is refused", "XDG_DOWNLOAD_DIR=\"$HOME/../eve\"", std::nullopt},
      {"another variable is refused", "XDG_DOWNLOAD_DIR=\"$HOMEX/dl\"", std::nullopt},
      {"a key that only starts the same", "XDG_DOWNLOAD_DIRS=\"/x\"", std::nullopt},
      {"empty", "", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(userDirsFolder(row.text, "XDG_DOWNLOAD_DIR", "/home/ada"), row.folder);
  }
}

TEST(UserDirsTest, TheDownloadFolderFallsBackToAnExistingDownloadsFolder) {
  struct Row {
    const char* name;
    const char* userDirs;  // nullptr: no file
    bool downloadsExists;
    const char* folder;  // below home; nullptr: none
  };
  const Row rows[] = {
      {"named by the file", "XDG_DOWNLOAD_DIR=\"$HOME/Incoming\"", true, "Incoming"},
      {"no file, the folder exists", nullptr, true, "Downloads"},
      {"no file, no folder", nullptr, false, nullptr},
      {"a file without the key", "XDG_MUSIC_DIR=\"$HOME/Music\"", false, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TemporaryRoot root;
    const FileSystem::Path home = FileSystem::homeDirectory();
    std::filesystem::create_directories(home / ".config");
    if (row.userDirs) std::ofstream(home / ".config/user-dirs.dirs") << row.userDirs;
    if (row.downloadsExists) std::filesystem::create_directories(home / "Downloads");
    const auto folder = userDownloadsFolder();
    if (row.folder) {
      EXPECT_EQ(folder, home / row.folder);
    } else {
      EXPECT_EQ(folder, std::nullopt);
    }
  }
}

}  // namespace
}  // namespace vigilix::platform
