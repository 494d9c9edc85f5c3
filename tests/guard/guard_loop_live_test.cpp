// The guard's loop in this process over real sockets, on a guard clock the
// test moves, taking and letting go of its lock in the mock logind: what no
// client may do to it.

#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

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

using platform::UniqueFd;

constexpr const char* kStatus = R"({"method":"status"})";
constexpr const char* kIdle = R"({"ok":true,"state":"idle")";

// Every peer runs the application installed under the root; each look at a
// peer's process is counted.
struct TheApplication final : platform::ProcessIdentity {
  int* looks;
  explicit TheApplication(int* counter) : looks(counter) {}
  std::expected<UniqueFd, int> openPidfd(pid_t) override {
    ++*looks;
    return UniqueFd(::dup(STDIN_FILENO));
  }
  bool isAlive(int) override { return true; }
  std::optional<std::uint64_t> startTicks(pid_t) override { return 1; }
  std::optional<std::string> executablePath(pid_t) override {
    return platform::FileSystem::pathFor(VGXGuardNames::appPath()).string();
  }
};

bool holdsSleepSwitch() {
  for (const auto& lock : locksOf(::getpid())) {
    if (isSleepSwitchLock(lock)) return true;
  }
  return false;
}

class GuardLoopLiveTest : public GuardEndToEndFixture {
 protected:
  void SetUp() override {
    GuardEndToEndFixture::SetUp();
    if (IsSkipped()) return;
    ::alarm(25);  // a loop that blocks on a client fails the test here rather than hang it
    daemon_.recoverAtStart();
    server_.emplace(
        daemon_, clock_,
        VGXGuardListeners{
            std::move(*platform::listenPacketSocket(socketPath(Socket::client), 0666)),
            std::move(*platform::listenPacketSocket(socketPath(Socket::admin), 0600))},
        VGXGuardServer::Peers{},
        VGXGuardServer::Parts{
            std::make_unique<TheApplication>(&looks_), VGXSeatSessions::live(), nullptr, {}});
  }
  void TearDown() override { ::alarm(0); }

  UniqueFd connect() {
    return std::move(*platform::connectPacketSocket(socketPath(Socket::client)));
  }
  // Sends `request` and runs passes of the loop until the reply comes;
  // "closed" when the guard closed instead.
  std::string ask(const UniqueFd& client, const std::string& request) {
    if (!platform::sendPacket(client.get(), request)) return "closed";
    pollfd replied{client.get(), POLLIN, 0};
    for (int pass = 0; pass < 10'000 && ::poll(&replied, 1, 0) == 0; ++pass) {
      server_->step(1'000'000);
    }
    const auto reply = platform::receivePacket(client.get());
    return reply && !reply->closed ? reply->bytes : "closed";
  }

  FakeGuardClock clock_;
  FakeGuardSensors sensors_{clock_};
  FakeGuardStore store_;
  VGXLogindSleepRunner runner_{"Closed-lid keep-awake"};
  VGXManagedPolicySource policies_{root_ / "managed", [](std::uint32_t) { return "root"; }};
  VGXGuardDaemon daemon_{runner_, sensors_, clock_, store_, policies_, "feed"};
  int looks_ = 0;
  std::optional<VGXGuardServer> server_;
};

// A client sends and never reads its replies while another holds a lease that
// is not renewed: the guard drops the first, the lease ends 30 s after the
// hold on the guard's clock (not at the next tick, 5 s later) and logind lets
// go of the lock, and a third client is answered.
TEST_F(GuardLoopLiveTest, AClientThatNeverReadsStallsNothing) {
  clock_.advance(5);  // between two ticks
  const UniqueFd holder = connect();
  ASSERT_FALSE(tokenOf(ask(holder, R"({"method":"hold","userInitiated":true,)"
                                   R"("batteryFloorPercent":20,"batteryCapHours":4})"))
                   .empty());
  ASSERT_TRUE(holdsSleepSwitch());

  const UniqueFd stalled = connect();
  bool dropped = false;
  for (int sent = 0; !dropped && sent < 100'000; server_->step(0)) {
    const ssize_t result =
        ::send(stalled.get(), kStatus, std::strlen(kStatus), MSG_DONTWAIT | MSG_NOSIGNAL);
    sent += result > 0 ? 1 : 0;
    dropped = result < 0 && errno != EAGAIN;
  }
  EXPECT_TRUE(dropped);

  clock_.advance(VGXGuardDaemon::kLeaseSeconds - 0.001);
  server_->step(0);
  EXPECT_TRUE(holdsSleepSwitch());
  clock_.advance(0.001);
  server_->step(0);
  EXPECT_FALSE(holdsSleepSwitch());  // gone before the loop moves on
  const UniqueFd third = connect();
  EXPECT_TRUE(ask(third, kStatus).starts_with(kIdle));
}

// Another user floods the guard with silent connections while the guard may
// open few descriptors: the flood is closed at accept, its process looked at
// only up to the cap, and the person at the machine is answered.
TEST_F(GuardLoopLiveTest, AFloodOfSilentConnectionsLeavesOthersServed) {
  rlimit saved{};
  ::getrlimit(RLIMIT_NOFILE, &saved);
  rlimit tight{512, saved.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  struct Restore {
    rlimit limit;
    ~Restore() { ::setrlimit(RLIMIT_NOFILE, &limit); }
  } restore{saved};

  constexpr int kFlood = 2000;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t flooder = ::fork();
  if (flooder == 0) {
    const rlimit wide{kFlood + 64, kFlood + 64};
    if (::setrlimit(RLIMIT_NOFILE, &wide) != 0 || ::setgroups(0, nullptr) != 0 ||
        ::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) {
      ::_exit(1);
    }
    for (int made = 0; made < kFlood; ++made) {
      auto connection = platform::connectPacketSocket(socketPath(Socket::client));
      if (!connection) ::_exit(2);
      (void)connection->release();  // open until the process ends
    }
    (void)!::write(ready[1], "y", 1);
    ::pause();
  }
  ::close(ready[1]);
  char flooded = 'n';
  pollfd done{ready[0], POLLIN, 0};
  for (int pass = 0; pass < 10'000 && ::poll(&done, 1, 0) == 0; ++pass) server_->step(1'000'000);
  (void)!::read(ready[0], &flooded, 1);

  const UniqueFd client = connect();
  const std::string reply = ask(client, kStatus);
  ::kill(flooder, SIGKILL);
  ::waitpid(flooder, nullptr, 0);
  ::close(ready[0]);
  EXPECT_EQ(flooded, 'y');
  EXPECT_TRUE(reply.starts_with(kIdle)) << reply;
  EXPECT_LE(looks_, 4 + 1);  // the flooding user's cap, and the client
}

}  // namespace
}  // namespace vigilix::testing
