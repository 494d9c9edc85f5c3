// The application's life as the desktop drives it: started by an address
// while it is not running, and ended by the end of its session bus.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/app_end_to_end_fixture.h"
#include "dbus/mock_logind_test_fixture.h"
#include "platform/dbus/bus_connection.h"
#include "platform/defaults/live_user_defaults.h"
#include "platform/defaults/user_defaults.h"

namespace vigilix::testing {
namespace {

class AppLifeTest : public AppEndToEndFixture {
 protected:
  std::optional<std::string> savedState() const {
    platform::LiveUserDefaults defaults(platform::kStandardDomain, false);
    const auto data = defaults.dataValue("run.tarvo.vigilix.AwakeState");
    if (!data) return std::nullopt;
    return std::string(data->begin(), data->end());
  }

  // The process that owns the application's name; 0 when none does.
  pid_t applicationPid() const {
    auto bus = platform::BusConnection::open(platform::BusKind::Session);
    if (!bus) return 0;
    auto reply =
        bus->call({"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                   "GetConnectionUnixProcessID"},
                  [](platform::BusArgumentWriter& out) { out.string("run.tarvo.vigilix"); });
    return static_cast<pid_t>(platform::readReply<std::uint32_t>(reply).value_or(0));
  }

  // The desktop entry and the user's choice of it for the scheme, as an
  // install and `xdg-mime default` leave them.
  void installDesktopEntry() {
    const std::filesystem::path applications = home_ / ".local/share/applications";
    std::filesystem::create_directories(applications);
    std::ofstream(applications / "run.tarvo.vigilix.desktop")
        << "[Desktop Entry]\nType=Application\nName=Vigilix\nExec=" << VIGILIX_APP_PROGRAM
        << " %u\nMimeType=x-scheme-handler/vigilix;\nDBusActivatable=true\n";
    std::filesystem::create_directories(home_ / ".config");
    std::ofstream(home_ / ".config/mimeapps.list")
        << "[Default Applications]\nx-scheme-handler/vigilix=run.tarvo.vigilix.desktop\n";
  }

  ScopedEnvironment dataVariable_{"XDG_DATA_HOME", (home_ / ".local/share").string()};
};

TEST_F(AppLifeTest, AnAddressThatStartsTheApplicationIsHandled) {
  installDesktopEntry();
  struct Row {
    const char* name;
    std::vector<std::string> command;
    const char* savedTotal;
  };
  const Row rows[] = {
      {"gio open", {"/usr/bin/gio", "open", "vigilix:///activate?minutes=3"}, R"("total":180)"},
      {"Open called on the bus",
       {"/usr/bin/gdbus", "call", "--session", "--dest", "run.tarvo.vigilix", "--object-path",
        "/run/tarvo/vigilix", "--method", "org.freedesktop.Application.Open",
        "@as ['vigilix:///activate?minutes=7']", "@a{sv} {}"},
       R"("total":420)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_FALSE(sessionBus_.hasOwner("run.tarvo.vigilix"));
    TestChildProcess opener(row.command, home_ / "opener.log");
    EXPECT_EQ(opener.wait(std::chrono::seconds(30)), 0) << readFile(home_ / "opener.log");
    std::optional<std::string> state;
    EXPECT_TRUE(waitUntil(
        [&] {
          state = savedState();
          return state && state->find(row.savedTotal) != std::string::npos;
        },
        std::chrono::seconds(30)))
        << state.value_or("(no saved state)") << "\n"
        << sessionBus_.log();
    const pid_t started = applicationPid();
    ASSERT_GT(started, 0);
    ::kill(started, SIGTERM);
    EXPECT_TRUE(waitUntil([&] { return !sessionBus_.hasOwner("run.tarvo.vigilix"); }));
  }
}

TEST_F(AppLifeTest, TheApplicationEndsWithItsSessionBus) {
  startApplication();
  sessionBus_.stop();
  EXPECT_EQ(app_->wait(std::chrono::seconds(30)), 0) << readFile(home_ / "app.log");
  EXPECT_NE(readFile(home_ / "app.log").find("The session bus is gone"), std::string::npos);
  EXPECT_TRUE(locksOf(app_->pid()).empty());
}

// A log reader that went away (a closed terminal, a restarted journal) takes the lines it
// would have read, not the program: ended by a signal, it says so into the closed pipe and
// ends as usual. A later launch, which opens no window: the first one's settings window has
// GLib's sockets ignore SIGPIPE for the whole process.
TEST_F(AppLifeTest, TheApplicationOutlivesItsLogReader) {
  std::filesystem::create_directories(home_ / ".config/vigilix");
  std::ofstream(home_ / ".config/vigilix/run.tarvo.vigilix.plist")
      << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
         "<key>run.tarvo.vigilix.DidShowWelcome</key><true/></dict></plist>\n";
  const auto pipe = home_ / "log-pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  TestChildProcess app({VIGILIX_APP_PROGRAM}, pipe);
  std::string logged;
  const bool running = waitUntil(
      [&] {
        char buffer[4096];
        const ssize_t count = ::read(reader, buffer, sizeof buffer);
        if (count > 0) logged.append(buffer, static_cast<std::size_t>(count));
        return logged.find("Vigilix is running.") != std::string::npos;
      },
      std::chrono::seconds(30));
  ::close(reader);
  ASSERT_TRUE(running) << logged;
  ::kill(app.pid(), SIGTERM);
  EXPECT_EQ(app.wait(std::chrono::seconds(30)), 0);
}

}  // namespace
}  // namespace vigilix::testing
