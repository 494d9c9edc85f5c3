#include "sleepguard/installer/live_installer.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstring>
#include <functional>
#include <vector>

#include "sleepguard/installer/installer_idle_exit.h"
#include "testing/installer/installer_machine_fixture.h"

namespace vigilix {
namespace {

using testing::Machine;
namespace fs = std::filesystem;

TEST(InstallerIdleExitTest, LeavesSixtySecondsAfterTheLastConnectionOnly) {
  // Events at times since start: +1 opens, -1 closes; then whether the exit is
  // due at each probe time.
  struct Event {
    double at;
    int change;
  };
  struct Row {
    const char* name;
    std::vector<Event> events;
    std::vector<std::pair<double, bool>> due;
  };
  const Row rows[] = {
      {"nobody connects", {}, {{59.9, false}, {60, true}}},
      {"two open, one closes", {{5, +1}, {6, +1}, {10, -1}}, {{70, false}, {500, false}}},
      {"the second closes too",
       {{5, +1}, {6, +1}, {10, -1}, {20, -1}},
       {{79.9, false}, {80, true}}},
      {"a third opens meanwhile", {{5, +1}, {10, -1}, {65, +1}}, {{70, false}, {1000, false}}},
      {"opened at 59 s", {{59, +1}}, {{60, false}, {3600, false}}},
      {"a close without an open stays at zero",
       {{10, -1}, {11, +1}, {12, -1}},
       {{71.9, false}, {72, true}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    VGXInstallerIdleExit idle(0);
    for (const Event& event : row.events) {
      if (event.change > 0) {
        idle.connectionOpened();
      } else {
        idle.connectionClosed(event.at);
      }
    }
    for (const auto& [at, due] : row.due) EXPECT_EQ(idle.isDue(at), due) << "at " << at;
  }
}

TEST(LiveInstallerTest, StatusReadsTheInstalledFilesAndTheServiceManager) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  struct Row {
    const char* name;
    std::function<void(Machine&)> arrange;
    VGXInstallerStatus expected;
    bool asksServiceManager;
  };
  const auto installed = [](Machine& m) {
    ASSERT_EQ(m.run([](VGXInstallerEngine& e) { return e.install(1000); }), VGXInstallerResult{});
  };
  const Row rows[] = {
      {"nothing installed", [](Machine&) {}, {false, false, false}, false},
      {"installed and running", installed, {true, true, false}, true},
      {"installed, the same, not loaded",
       [&](Machine& m) {
         installed(m);
         m.systemctl.setActive(VGXGuardNames::guardServiceUnit, false);
         m.systemctl.setActive(VGXGuardNames::guardSocketUnit, false);
         m.systemctl.setActive(VGXGuardNames::adminSocketUnit, false);
       },
       {true, false, false},
       true},
      {"a newer guard shipped",
       [&](Machine& m) {
         installed(m);
         m.ship("guard version 2");
       },
       {true, false, false},
       false},
      {"the service manager cannot be asked",
       [&](Machine& m) {
         installed(m);
         m.systemctl.exitWith("show", 1);
       },
       {true, false, false},
       true},
      {"shipped guard missing",
       [&](Machine& m) {
         installed(m);
         fs::remove(m.root.pathFor(VGXGuardNames::embeddedGuardPath()));
       },
       {true, false, false},
       false},
      {"an unreadable maintenance record",
       [&](Machine& m) {
         installed(m);
         testing::writeText(m.state("maintenance.json"), "{not json");
       },
       {true, true, true},
       true},
      {"a pending update",
       [&](Machine& m) {
         installed(m);
         testing::writeText(m.state("maintenance.json"),
                            R"({"txID":"A","op":"update","phase":"recorded"})");
       },
       {true, true, true},
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Machine machine;
    row.arrange(machine);
    machine.systemctl.clearCalls();
    VGXInstallerSystemLive system(machine.parts());
    EXPECT_EQ(LiveInstaller::statusReply(system), row.expected);
    EXPECT_EQ(!machine.systemctl.calls().empty(), row.asksServiceManager);
  }
}

// Every peer runs the application as installed under the test's root.
struct TheApplication final : platform::ProcessIdentity {
  std::expected<platform::UniqueFd, int> openPidfd(pid_t) override {
    return platform::UniqueFd(::dup(STDIN_FILENO));
  }
  bool isAlive(int) override { return true; }
  std::optional<std::uint64_t> startTicks(pid_t) override { return 1; }
  std::optional<std::string> executablePath(pid_t) override {
    return platform::FileSystem::pathFor(VGXGuardNames::appPath()).string();
  }
};

// A client that sends and never reads, and one that connects and says
// nothing: another client's install is answered meanwhile, and the idle exit
// comes 60 s after the silent connection was closed, on the loop's clock.
TEST(LiveInstallerTest, NoClientHangsTheInstallerForOthers) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  Machine machine;
  ::alarm(25);  // a loop that blocks on a client fails here rather than hang
  testing::writeText(machine.root.pathFor(VGXGuardNames::appPath()), "app");
  const fs::path socket = machine.root.pathFor("/run/vigilix/installer");
  fs::create_directories(socket.parent_path());
  std::uint64_t now = 1'000'000'000'000;
  LiveInstaller installer(std::make_unique<VGXInstallerSystemLive>(machine.parts()),
                          std::move(*platform::listenPacketSocket(socket, 0666)),
                          VGXPeerExpectations::application(), std::make_unique<TheApplication>(),
                          [&] { return now; });
  const auto connect = [&] { return std::move(*platform::connectPacketSocket(socket)); };
  const auto ask = [&](const platform::UniqueFd& client, const std::string& request) {
    EXPECT_TRUE(platform::sendPacket(client.get(), request).has_value());
    for (int pass = 0; pass < 1000; ++pass) {
      pollfd readable{client.get(), POLLIN, 0};
      if (::poll(&readable, 1, 0) == 1) break;
      installer.step(1'000'000);
    }
    const auto reply = platform::receivePacket(client.get());
    return reply && !reply->closed ? reply->bytes : std::string("closed");
  };

  const platform::UniqueFd silent = connect();
  const platform::UniqueFd stalled = connect();
  const char* status = R"({"method":"status"})";
  bool dropped = false;
  for (int sent = 0; !dropped && sent < 100'000; installer.step(0)) {
    const ssize_t result =
        ::send(stalled.get(), status, std::strlen(status), MSG_DONTWAIT | MSG_NOSIGNAL);
    sent += result > 0 ? 1 : 0;
    dropped = result < 0 && errno != EAGAIN;
  }
  EXPECT_TRUE(dropped);
  const platform::UniqueFd other = connect();
  EXPECT_EQ(ask(other, R"({"method":"install"})"), R"({"ok":true})");

  now += LiveInstaller::kLimits.silenceNanoseconds;
  EXPECT_TRUE(installer.step(0));  // the silent one closes now; the exit is armed
  now += 59'999'000'000;
  EXPECT_TRUE(installer.step(0));
  now += 1'000'000;
  EXPECT_FALSE(installer.step(0));
  EXPECT_EQ(installer.exitStatus(), 0);
  ::alarm(0);
}

}  // namespace
}  // namespace vigilix
