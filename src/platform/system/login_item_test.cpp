#include "platform/system/login_item.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/system/desktop_entries.h"
#include "testing/temporary_root.h"

namespace vigilix::platform {
namespace {

TEST(LoginItemExec, AnyProgramPathReadsBackAsItself) {
  struct Row {
    const char* name;
    const char* program;
    const char* exec;
    const char* readBack;  // the program's file name, as a launcher finds it
  };
  const Row rows[] = {
      {"plain", "/usr/bin/vigilix", "/usr/bin/vigilix", "vigilix"},
      {"space", "/opt/My Apps/my vigilix", "\"/opt/My Apps/my vigilix\"", "my vigilix"},
      {"quote, dollar and backslash", "/opt/v\"$i\\g", "\"/opt/v\\\\\"\\\\$i\\\\\\\\g\"",
       "v\"$i\\g"},
      {"tab", "/opt/v\tg", "\"/opt/v\\tg\"", "v\tg"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(desktopEntryExecArgument(row.program), row.exec);
    const auto entry = parseDesktopEntry(autostartEntryText(row.program));
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->program, row.readBack);
  }
  // A lone "%" would start a field code.
  EXPECT_EQ(desktopEntryExecArgument("/opt/100%/v"), "/opt/100%%/v");
}

class XdgAutostartLoginItemTest : public ::testing::Test {
 protected:
  testing::TemporaryRoot root;
  FileSystem::Path entry = root.home() / ".config/autostart/run.tarvo.vigilix.desktop";
  XdgAutostartLoginItem item{FileSystem::Path("/usr/bin/vigilix")};
};

TEST_F(XdgAutostartLoginItemTest, RegisteringWritesTheEntryAndStatusIsReadBack) {
  EXPECT_EQ(XdgAutostartLoginItem::entryPath(), entry);
  EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);

  ASSERT_TRUE(item.registerItem().has_value());
  EXPECT_EQ(FileSystem::readFile(entry).value_or(""),
            "[Desktop Entry]\nType=Application\nName=Vigilix\nExec=/usr/bin/vigilix\n"
            "Icon=run.tarvo.vigilix\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
  EXPECT_EQ(item.status(), LoginItemStatus::enabled);

  ASSERT_TRUE(item.unregisterItem().has_value());
  EXPECT_FALSE(FileSystem::exists(entry));
  EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
  EXPECT_TRUE(item.unregisterItem().has_value());
}

TEST_F(XdgAutostartLoginItemTest, StatusFollowsWhatTheDesktopWouldStart) {
  struct Row {
    const char* name;
    const char* text;
    LoginItemStatus status;
  };
  const Row rows[] = {
      {"switched off in the desktop's startup settings",
       "[Desktop Entry]\nType=Application\nExec=v\nX-GNOME-Autostart-enabled=false\n",
       LoginItemStatus::notRegistered},
      {"hidden", "[Desktop Entry]\nType=Application\nExec=v\nHidden=true\n",
       LoginItemStatus::notRegistered},
      {"not an application entry", "garbage\n", LoginItemStatus::notRegistered},
      {"an entry written by hand", "[Desktop Entry]\nType=Application\nExec=v\n",
       LoginItemStatus::enabled},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(FileSystem::writeFileAtomically(entry, row.text).has_value());
    EXPECT_EQ(item.status(), row.status);
  }
}

TEST_F(XdgAutostartLoginItemTest, AFailedWriteOrRemovalIsReportedAndChangesNothing) {
  FileSystem::injectFailure(FileSystem::Operation::Write, entry, EROFS);
  EXPECT_FALSE(item.registerItem().has_value());
  EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);

  FileSystem::clearInjectedFailures();
  ASSERT_TRUE(item.registerItem().has_value());
  FileSystem::injectFailure(FileSystem::Operation::Remove, entry, EACCES);
  EXPECT_FALSE(item.unregisterItem().has_value());
  EXPECT_EQ(item.status(), LoginItemStatus::enabled);
}

}  // namespace
}  // namespace vigilix::platform
