// The guard's loop in this process, on a guard clock the test moves, taking
// and letting go of its lock in the mock logind: a lease not renewed ends when
// it runs out.

#include <poll.h>
#include <unistd.h>

#include "dbus/mock_logind_test_fixture.h"
#include "guard/guard_end_to_end_fixture.h"
#include "platform/fs/file_system.h"
#include "platform/ipc/packet_socket.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/core/logind_sleep_runner.h"
#include "sleepguard/service/guard_server.h"
#include "sleepguard/testing/fake_guard_clock.h"
#include "sleepguard/testing/fake_guard_sensors.h"
#include "sleepguard/testing/fake_guard_store.h"

namespace vigilix::testing {
namespace {

// The test process stands for the application installed under the root.
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

using GuardLeaseLiveTest = GuardEndToEndFixture;

bool holdsSleepSwitch() {
  for (const auto& lock : locksOf(::getpid())) {
    if (isSleepSwitchLock(lock)) return true;
  }
  return false;
}

TEST_F(GuardLeaseLiveTest, ALeaseNotRenewedLapsesWhenItRunsOut) {
  FakeGuardClock clock;
  FakeGuardSensors sensors(clock);
  FakeGuardStore store;
  VGXLogindSleepRunner runner("Closed-lid keep-awake");
  VGXManagedPolicySource policies(root_ / "managed", [](std::uint32_t) { return "root"; });
  VGXGuardDaemon daemon(runner, sensors, clock, store, policies, "feed");
  daemon.recoverAtStart();
  VGXGuardListeners listeners{
      std::move(*platform::listenPacketSocket(socketPath(Socket::client), 0666)),
      std::move(*platform::listenPacketSocket(socketPath(Socket::admin), 0600))};
  VGXGuardServer server(daemon, clock, std::move(listeners), {},
                        {std::make_unique<TheApplication>(), VGXSeatSessions::live(), nullptr, {}});

  clock.advance(5);  // between two ticks
  auto client = platform::connectPacketSocket(socketPath(Socket::client));
  ASSERT_TRUE(client.has_value());
  ASSERT_TRUE(platform::sendPacket(client->get(),
                                   R"({"method":"hold","userInitiated":true,)"
                                   R"("batteryFloorPercent":20,"batteryCapHours":4})"));
  pollfd replied{client->get(), POLLIN, 0};
  for (int pass = 0; pass < 1000 && ::poll(&replied, 1, 0) == 0; ++pass) server.step(1'000'000);
  const auto grant = platform::receivePacket(client->get());
  ASSERT_TRUE(grant && !tokenOf(grant->bytes).empty()) << (grant ? grant->bytes : "") << guardLog();
  ASSERT_TRUE(holdsSleepSwitch());

  clock.advance(VGXGuardDaemon::kLeaseSeconds - 0.001);
  server.step(0);
  EXPECT_TRUE(holdsSleepSwitch());
  clock.advance(0.001);
  server.step(0);
  EXPECT_FALSE(holdsSleepSwitch());  // gone before the loop moves on
  EXPECT_EQ(daemon.core().status().state, VGXGuardState::idle());
}

}  // namespace
}  // namespace vigilix::testing
