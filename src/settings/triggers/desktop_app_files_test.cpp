#include "settings/triggers/desktop_app_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>

#include "testing/temporary_folder.h"

namespace vigilix {
namespace {

TEST(DesktopAppFileTest, ReadsTheProgramNameAndIconOfApplicationEntries) {
  struct Row {
    const char* name;
    const char* file;
    std::optional<std::string> text;  // none: the file is absent
    std::optional<DesktopAppFile> expected;
  };
  const Row rows[] = {
      {"an application", "code.desktop",
       "[Desktop Entry]\nType=Application\nName=Code\nIcon=vscode\nExec=/usr/share/code/code %F\n",
       DesktopAppFile{"code", "Code", "vscode"}},
      {"no name shows the program", "tool.desktop",
       "[Desktop Entry]\nType=Application\nExec=tool\n", DesktopAppFile{"tool", "tool", ""}},
      {"another extension", "code.txt", "[Desktop Entry]\nType=Application\nExec=code\n",
       std::nullopt},
      {"a link entry", "site.desktop", "[Desktop Entry]\nType=Link\nURL=https://x\n", std::nullopt},
      {"no program", "empty.desktop", "[Desktop Entry]\nType=Application\nName=E\n", std::nullopt},
      {"hidden", "gone.desktop", "[Desktop Entry]\nType=Application\nExec=g\nHidden=true\n",
       std::nullopt},
      {"absent", "absent.desktop", std::nullopt, std::nullopt},
  };
  const auto folder = testing::makeTemporaryFolder("desktop-app-files");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto path = folder / row.file;
    if (row.text) std::ofstream(path) << *row.text;
    EXPECT_EQ(readDesktopAppFile(path), row.expected);
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vigilix
