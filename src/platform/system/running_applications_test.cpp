#include "platform/system/running_applications.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/desktop_entries.h"
#include "testing/fake_proc_tree.h"
#include "testing/fake_system.h"

namespace vigilix::platform {
namespace {

using testing::FakeProcTree;

TEST(DesktopEntryTest, ParsesWhatTheNamesNeed) {
  struct Row {
    const char* name;
    const char* text;
    std::optional<DesktopEntry> expected;
  };
  const Row rows[] = {
      {"plain",
       "[Desktop Entry]\nType=Application\nName=Firefox\nExec=/usr/lib/firefox/firefox %u\n",
       DesktopEntry{"Firefox", "firefox", "", false}},
      {"spaces around '=', comments, localised names and later groups",
       "# made by hand\n[Desktop Entry]\nName[de] = Datei\nType = Application\n"
       "Name = Files\nExec = nautilus --new-window %U\nStartupWMClass = org.gnome.Nautilus\n"
       "[Desktop Action new-window]\nName=New Window\nExec=other\n",
       DesktopEntry{"Files", "nautilus", "org.gnome.Nautilus", false}},
      {"value escapes",
       "[Desktop Entry]\nType=Application\nName=Tab\\sand\\\\slash\\q\nExec=a\\sb\n",
       DesktopEntry{"Tab and\\slash\\q", "a", "", false}},
      {"quoted program with a space and escapes",
       "[Desktop Entry]\nType=Application\nName=My App\n"
       "Exec=\"/opt/My App/my \\\\\"app\\\\\"\" --flag\n",
       DesktopEntry{"My App", "my \"app\"", "", false}},
      {"env and its settings are skipped",
       "[Desktop Entry]\nType=Application\nName=Tool\n"
       "Exec=env GDK_BACKEND=x11 \"A=b c\" /opt/tool/tool %f\n",
       DesktopEntry{"Tool", "tool", "", false}},
      {"icon-theme name",
       "[Desktop Entry]\nType=Application\nName=Files\nIcon=org.gnome.Nautilus\nExec=nautilus\n",
       DesktopEntry{"Files", "nautilus", "", false, true, "org.gnome.Nautilus"}},
      {"hidden", "[Desktop Entry]\nType=Application\nHidden=true\n",
       DesktopEntry{"", "", "", true}},
      {"autostart switched off",
       "[Desktop Entry]\nType=Application\nX-GNOME-Autostart-enabled=false\n",
       DesktopEntry{"", "", "", false, false}},
      {"the first of a repeated key counts",
       "[Desktop Entry]\nType=Application\nName=One\nName=Two\n",
       DesktopEntry{"One", "", "", false}},
      {"an unterminated quote ends the program", "[Desktop Entry]\nType=Application\nExec=\"/a/b\n",
       DesktopEntry{"", "b", "", false}},
      {"a link is no application", "[Desktop Entry]\nType=Link\nName=Site\nURL=https://x\n",
       std::nullopt},
      {"no type", "[Desktop Entry]\nName=X\nExec=x\n", std::nullopt},
      {"keys of another group", "[Other]\nType=Application\nName=X\n", std::nullopt},
      {"the main group repeated later is no main group",
       "[Desktop Entry]\nName=A\n[X]\n[Desktop Entry]\nType=Application\n", std::nullopt},
      {"empty", "", std::nullopt},
      {"CRLF lines", "[Desktop Entry]\r\nType=Application\r\nName=Win\r\nExec=w\r\n",
       DesktopEntry{"Win", "w", "", false}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(parseDesktopEntry(row.text), row.expected);
  }
}

TEST(DesktopEntryTest, ApplicationFoldersFollowTheEnvironmentUnderTheRoot) {
  struct Row {
    const char* name;
    std::optional<std::string_view> dataHome;
    std::optional<std::string_view> dataDirs;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {"defaults",
       std::nullopt,
       std::nullopt,
       {"/r/home/u/.local/share/applications", "/r/usr/local/share/applications",
        "/r/usr/share/applications"}},
      {"given",
       "/data",
       "/opt/share:/var/lib/flatpak/exports/share/",
       {"/r/data/applications", "/r/opt/share/applications",
        "/r/var/lib/flatpak/exports/share/applications"}},
      {"empty and relative values are ignored",
       "",
       "relative::/usr/share",
       {"/r/home/u/.local/share/applications", "/r/usr/share/applications"}},
      {"a relative data home is ignored",
       "share",
       "",
       {"/r/home/u/.local/share/applications", "/r/usr/local/share/applications",
        "/r/usr/share/applications"}},
      {"'..' stays under the root",
       "/../../etc",
       "/a/../../b",
       {"/r/etc/applications", "/r/b/applications"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> folders;
    for (const auto& folder : applicationFolders("/r", "/home/u", row.dataHome, row.dataDirs)) {
      folders.push_back(folder.lexically_normal().string());
    }
    EXPECT_EQ(folders, row.expected);
  }
}

// One machine: processes, and desktop entries in a user and two system folders.
class RunningApplicationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    entry("user/code.desktop", "Name=My Code\nExec=/usr/share/code/code %F\n");
    entry("user/editor.desktop", "Hidden=true\n");
    entry("local/editor.desktop", "Name=Editor\nExec=editor\n");
    entry("system/code.desktop",
          "Name=Visual Studio Code\nExec=/usr/share/code/code --unity-launch %F\n");
    entry("system/firefox.desktop",
          "Name=Firefox\nIcon=firefox\nExec=/usr/lib/firefox/firefox %u\n");
    entry("system/gnome/settings.desktop", "Name=Settings\nExec=gnome-control-center\n");
    entry("system/signal.desktop",
          "Name=Signal\nExec=/opt/Signal/launcher %U\nStartupWMClass=signal-desktop\n");
    entry("system/gimp.desktop",
          "Name=GIMP\nExec=/usr/bin/gimp-launcher %U\nStartupWMClass=gimp-2.10\n");
    entry("system/signal-helper.desktop", "Name=Signal Helper\nExec=signal-desktop --helper\n");
    entry("system/zz-editor.desktop", "Name=Editor Again\nExec=editor\n");
    entry("system/notes.txt", "[Desktop Entry]\nType=Application\nName=Notes\nExec=notes\n");
  }
  void entry(const std::string& path, const std::string& keys) {
    tree.writeFile("apps/" + path, "[Desktop Entry]\nType=Application\n" + keys);
  }
  std::vector<RunningApplication> running() const {
    return LiveRunningApplications(
               tree.root(),
               {tree.pathFor("apps/user"), tree.pathFor("apps/local"), tree.pathFor("apps/system")})
        .runningApplications();
  }

  FakeProcTree tree;
};

// Each row is one process alone on the machine.
TEST_F(RunningApplicationsTest, IdentifiersAreExecutablesAndNamesComeFromDesktopEntries) {
  struct Row {
    const char* name;
    const char* commandLine;
    const char* kernelName;
    std::optional<std::string> executable;
    std::optional<std::string> identifier;
    std::string shownName;
    bool regular;  // a desktop entry names it
    std::string icon{};
  };
  const Row rows[] = {
      {"matched by Exec", "/usr/lib/firefox/firefox", "firefox", "/usr/lib/firefox/firefox",
       "firefox", "Firefox", true, "firefox"},
      {"a child with its own kernel name", "/usr/lib/firefox/firefox -contentproc",
       "Isolated Web Co", "/usr/lib/firefox/firefox", "firefox", "Firefox", true, "firefox"},
      {"the user's entry wins", "/usr/share/code/code", "code", "/usr/share/code/code", "code",
       "My Code", true},
      {"a hidden user entry hides the system one; the next one counts", "editor", "editor",
       "/usr/bin/editor", "editor", "Editor Again", true},
      {"a long name is not the kernel's 15 bytes", "gnome-control-center", "gnome-control-c",
       "/usr/bin/gnome-control-center", "gnome-control-center", "Settings", true},
      {"matched by StartupWMClass", "gimp-2.10", "gimp-2.10", "/usr/bin/gimp-2.10", "gimp-2.10",
       "GIMP", true},
      {"Exec wins over StartupWMClass", "/opt/Signal/signal-desktop", "signal-desktop",
       "/opt/Signal/signal-desktop", "signal-desktop", "Signal Helper", true},
      {"no entry: the executable's name", "sshd: root@pts/0", "sshd", "/usr/sbin/sshd", "sshd",
       "sshd", false},
      {"a file that is no desktop entry", "notes", "notes", "/usr/bin/notes", "notes", "notes",
       false},
      {"a replaced executable", "/opt/app/old", "old", "/opt/app/editor (deleted)", "editor",
       "Editor Again", true},
      {"unreadable executable: the first argument the kernel's name confirms",
       "/usr/bin/python3 tool.py", "python3", std::nullopt, "python3", "python3", false},
      {"unreadable executable: a long first argument", "/usr/libexec/gnome-control-center",
       "gnome-control-c", std::nullopt, "gnome-control-center", "Settings", true},
      {"unreadable executable, rewritten arguments", "sshd: root@pts/0", "sshd", std::nullopt,
       std::nullopt, "", false},
      {"unreadable executable, another kernel name", "/usr/bin/python3 tool.py", "tool.py",
       std::nullopt, std::nullopt, "", false},
      {"a kernel thread", "", "kthreadd", std::nullopt, std::nullopt, "", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    tree.remove("proc");
    tree.addProcess(7, row.commandLine, row.kernelName, row.executable);
    EXPECT_EQ(running(), (std::vector<RunningApplication>{
                             {7, row.identifier, row.shownName, row.regular, row.icon}}));
    EXPECT_EQ(
        LiveRunningApplications(tree.root(), {}).runningIdentifiers(),
        row.identifier ? std::vector<std::string>{*row.identifier} : std::vector<std::string>{});
  }
}

// The names are kept between listings until a folder or entry changes.
TEST_F(RunningApplicationsTest, NamesFollowChangedEntriesBetweenListings) {
  const auto past = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  const auto settle = [&] {
    std::filesystem::last_write_time(tree.pathFor("apps"), past);
    for (const auto& item : std::filesystem::recursive_directory_iterator(tree.pathFor("apps")))
      std::filesystem::last_write_time(item.path(), past);
  };
  settle();
  tree.addProcess(7, "/usr/lib/firefox/firefox", "firefox", "/usr/lib/firefox/firefox");
  LiveRunningApplications live(tree.root(), {tree.pathFor("apps/user"), tree.pathFor("apps/local"),
                                             tree.pathFor("apps/system")});
  ASSERT_EQ(live.runningApplications().at(0).localizedName, "Firefox");
  struct Row {
    const char* name;
    std::function<void()> change;
    const char* shownName;
  };
  const Row rows[] = {
      {"other bytes under the same times are not read again",
       [&] {
         entry("system/firefox.desktop", "Name=Unread\nExec=/usr/lib/firefox/firefox\n");
         settle();
       },
       "Firefox"},
      {"an edited entry", [&] { entry("system/firefox.desktop", "Name=Browser\nExec=firefox\n"); },
       "Browser"},
      {"a new entry of an earlier folder",
       [&] { entry("user/web.desktop", "Name=Web\nExec=firefox\n"); }, "Web"},
      {"a removed entry", [&] { tree.remove("apps/user/web.desktop"); }, "Browser"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.change();
    EXPECT_EQ(live.runningApplications().at(0).localizedName, row.shownName);
  }
}

// One listing after another on one reader: a process is looked at again only
// when it may be another program.
TEST_F(RunningApplicationsTest, AProcessIsLookedAtAgainOnlyWhenItMayRunAnotherProgram) {
  LiveRunningApplications live(tree.root(), {tree.pathFor("apps/system")});
  const auto stat = [&](std::string_view kernelName, std::uint64_t flags, std::uint64_t start) {
    tree.writeFile("proc/7/stat", fmt::format("7 ({}) S 1 7 7 0 -1 {} 0 0 0 0 1 2 0 0 20 0 1 0 "
                                              "{} 1000 10\n",
                                              kernelName, flags, start));
  };
  const auto program = [&](std::string_view commandLine, std::string_view executable) {
    tree.remove("proc/7/exe");
    tree.addProcess(7, commandLine, "-", std::string(executable));
  };
  struct Row {
    const char* name;
    std::function<void()> change;
    std::optional<std::string> identifier;
  };
  const Row rows[] = {
      {"a launcher script",
       [&] {
         program("/bin/sh /usr/bin/firefox", "/bin/sh");
         stat("sh", 0x400100, 100);
       },
       "sh"},
      {"the same executable: its stat line and arguments are not read again",
       [&] {
         tree.remove("proc/7/stat");
         tree.remove("proc/7/cmdline");
       },
       "sh"},
      {"running another program changes its kernel name",
       [&] {
         program("/usr/lib/firefox/firefox", "/usr/lib/firefox/firefox");
         stat("firefox", 0x400100, 100);
       },
       "firefox"},
      {"a pid taken by a new process",
       [&] {
         program("/usr/bin/editor", "/usr/bin/editor");
         stat("firefox", 0x400100, 200);
       },
       "editor"},
      {"gone and back with the same start time is looked at afresh",
       [&] {
         tree.remove("proc/7");
         ASSERT_TRUE(live.runningApplications().empty());
         program("/usr/bin/gimp", "/usr/bin/gimp");
         stat("firefox", 0x400100, 200);
       },
       "gimp"},
      {"a kernel thread (no executable, no arguments) is known by its flags",
       [&] {
         program("", "/usr/bin/not-read");
         tree.remove("proc/7/exe");
         stat("kworker/0:1", 0x208040, 300);
       },
       std::nullopt},
      {"a known kernel thread's folder is not read again",
       [&] {
         program("/usr/bin/editor", "/usr/bin/editor");
         stat("editor", 0x400100, 300);
       },
       std::nullopt},
      {"its pid taken again comes with a new folder, which is read",
       [&] {
         const auto folder = tree.pathFor("proc/7");
         std::filesystem::create_directories(folder.string() + ".new");
         std::filesystem::rename(folder / "stat", folder.string() + ".new/stat");
         std::filesystem::remove_all(folder);
         std::filesystem::rename(folder.string() + ".new", folder);
         program("/usr/bin/editor", "/usr/bin/editor");
       },
       "editor"},
      {"without a stat line the process is read as it is",
       [&] {
         tree.remove("proc/7/stat");
         program("/usr/bin/editor", "/usr/bin/editor");
       },
       "editor"},
      {"another user's process: its executable unreadable, its first argument confirmed",
       [&] {
         tree.remove("proc/7/exe");
         tree.writeFile("proc/7/comm", "editor\n");
         stat("editor", 0x400100, 400);
       },
       "editor"},
      {"its arguments are not read again while its stat line stays the same",
       [&] { tree.remove("proc/7/cmdline"); }, "editor"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.change();
    // Both listings share what the reader knows, so each must see the change.
    const auto listed = live.runningApplications();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].bundleIdentifier, row.identifier);
    EXPECT_EQ(live.runningIdentifiers(), row.identifier ? std::vector<std::string>{*row.identifier}
                                                        : std::vector<std::string>{});
  }
}

TEST_F(RunningApplicationsTest, ProcessesComeInNumericOrder) {
  for (const int pid : {300, 1, 42, 2, 77, 1000}) tree.addProcess(pid, "x", "x", "/bin/x");
  tree.writeFile("proc/self/cmdline", "x");
  tree.writeFile("proc/0/cmdline", "x");
  tree.writeFile("proc/stat", "cpu 1 1 1 1\n");
  std::vector<std::int32_t> order;
  for (const RunningApplication& application : running()) {
    order.push_back(application.processIdentifier);
  }
  EXPECT_EQ(order, (std::vector<std::int32_t>{1, 2, 42, 77, 300, 1000}));
}

TEST_F(RunningApplicationsTest, NoneWithoutProc) { EXPECT_TRUE(running().empty()); }

// The frontmost application is the active window's process, named as in the list.
TEST_F(RunningApplicationsTest, TheFrontmostApplicationIsTheActiveWindowsProcess) {
  tree.addProcess(7, "/usr/lib/firefox/firefox", "firefox", "/usr/lib/firefox/firefox");
  tree.addProcess(8, "sshd: root@pts/0", "sshd", "/usr/sbin/sshd");
  tree.addProcess(2, "", "kthreadd");
  struct Row {
    const char* name;
    std::optional<std::int32_t> windowProcess;
    std::optional<RunningApplication> frontmost;
  };
  const Row rows[] = {
      {"no active window", std::nullopt, std::nullopt},
      {"an application's window", 7, RunningApplication{7, "firefox", "Firefox", true, "firefox"}},
      {"a process without a desktop entry", 8, RunningApplication{8, "sshd", "sshd", false}},
      {"a process that is gone", 99, std::nullopt},
      {"a process without an identifier", 2, std::nullopt},
      {"no process number", 0, std::nullopt},
  };
  testing::FakeActiveWindowOwner window;
  const testing::ScopedActiveWindowOwner installed(window);
  LiveRunningApplications live(tree.root(), {tree.pathFor("apps/user"), tree.pathFor("apps/local"),
                                             tree.pathFor("apps/system")});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    window.process = row.windowProcess;
    EXPECT_EQ(live.frontmostApplication(), row.frontmost);
  }
}

}  // namespace
}  // namespace vigilix::platform
