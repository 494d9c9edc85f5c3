#include "settings/triggers/desktop_app_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>

#include "testing/fake_system.h"
#include "testing/temporary_folder.h"
#include "testing/test_platform.h"

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

// A listed app's icon: the running application's, else its desktop entry's.
TEST(DesktopAppFileTest, AppIconsComeFromRunningAppsThenEntries) {
  testing::TestPlatform platform;
  testing::FakeRunningApplications running;
  platform::RunningApplications::setCurrent(&running);
  running.add("Firefox").iconName = "firefox-esr";
  running.add("code").iconName = "";
  const auto folder = testing::makeTemporaryFolder("desktop-app-icons");
  std::ofstream(folder / "code.desktop")
      << "[Desktop Entry]\nType=Application\nName=Code\nIcon=vscode\nExec=code %F\n";
  std::ofstream(folder / "gimp.desktop")
      << "[Desktop Entry]\nType=Application\nName=GIMP\nIcon=/opt/gimp/gimp.png\nExec=gimp\n";
  struct Row {
    const char* name;
    const char* identifier;
    const char* icon;
  };
  const Row rows[] = {
      {"running, compared ignoring case", "firefox", "firefox-esr"},
      {"running without an icon: its entry's", "code", "vscode"},
      {"not running: its entry's file", "gimp", "/opt/gimp/gimp.png"},
      {"neither", "zed", ""},
  };
  std::vector<std::string> identifiers;
  for (const Row& row : rows) identifiers.push_back(row.identifier);
  const auto icons = appIconNames(identifiers, {folder});
  ASSERT_EQ(icons.size(), std::size(rows));
  for (std::size_t i = 0; i < icons.size(); ++i) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_EQ(icons[i], rows[i].icon);
  }
  platform::RunningApplications::setCurrent(nullptr);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vigilix
