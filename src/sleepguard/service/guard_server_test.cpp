// The guard's loop over real sockets in a temporary folder, on a guard clock
// the test moves: what no client may do to it.

#include "sleepguard/service/guard_server.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>

#include "platform/ipc/packet_socket.h"
#include "sleepguard/testing/fake_guard_clock.h"
#include "sleepguard/testing/fake_guard_runner.h"
#include "sleepguard/testing/fake_guard_sensors.h"
#include "sleepguard/testing/fake_guard_store.h"
#include "testing/temporary_folder.h"

namespace vigilix {
namespace {

namespace fs = std::filesystem;
using platform::UniqueFd;

constexpr const char* kHold =
    R"({"method":"hold","userInitiated":true,"batteryFloorPercent":20,"batteryCapHours":4})";
constexpr const char* kStatus = R"({"method":"status"})";

// Every peer runs the expected program, and counts how often it was asked.
struct AnyPeerAtThePath final : platform::ProcessIdentity {
  int* checks;
  explicit AnyPeerAtThePath(int* counter) : checks(counter) {}
  std::expected<UniqueFd, int> openPidfd(pid_t) override {
    ++*checks;
    return UniqueFd(::dup(STDIN_FILENO));
  }
  bool isAlive(int) override { return true; }
  std::optional<std::uint64_t> startTicks(pid_t) override { return 1; }
  std::optional<std::string> executablePath(pid_t) override { return "/usr/bin/env"; }
};

struct EveryoneAtASeat final : VGXSeatSessions {
  bool isAtASeat(std::uint32_t) override { return true; }
};

class GuardServerTest : public ::testing::Test {
 protected:
  GuardServerTest()
      : folder_(testing::makeTemporaryFolder("vigilix-guard-server")),
        policies_(folder_ / "managed", [](std::uint32_t) { return std::string("tester"); }),
        daemon_(runner_, sensors_, clock_, store_, policies_, "feed") {}
  ~GuardServerTest() override { fs::remove_all(folder_); }

  void SetUp() override {
    // A loop that blocks on a client fails the test here rather than hang it.
    ::alarm(25);
    daemon_.recoverAtStart();
    VGXGuardListeners listeners{std::move(*platform::listenPacketSocket(folder_ / "guard", 0666)),
                                std::move(*platform::listenPacketSocket(folder_ / "admin", 0600))};
    VGXGuardServer::Peers peers{{"", "/usr/bin/env", false}, {"", "/usr/bin/env", true}};
    server_.emplace(daemon_, clock_, std::move(listeners), std::move(peers),
                    VGXGuardServer::Parts{std::make_unique<AnyPeerAtThePath>(&peerChecks_),
                                          std::make_unique<EveryoneAtASeat>(),
                                          nullptr,
                                          {}});
  }
  void TearDown() override { ::alarm(0); }

  UniqueFd connect() { return std::move(*platform::connectPacketSocket(folder_ / "guard")); }
  // Passes of the loop, each waiting at most a millisecond of real time, until
  // `done` (for at most 10 s); the guard's clock moves only when the test moves it.
  bool serveUntil(const std::function<bool()>& done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
      if (std::chrono::steady_clock::now() > limit) return false;
      server_->step(1'000'000);
    }
    return true;
  }
  // Sends `request` and serves until its reply comes; "closed" when the guard closed instead.
  std::string ask(const UniqueFd& client, const char* request) {
    if (!platform::sendPacket(client.get(), request)) return "closed";
    std::optional<platform::ReceivedPacket> reply;
    serveUntil([&] {
      pollfd readable{client.get(), POLLIN, 0};
      if (::poll(&readable, 1, 0) != 1) return false;
      auto packet = platform::receivePacket(client.get());
      reply = packet ? *packet : platform::ReceivedPacket{true, false, {}};
      return true;
    });
    return !reply || reply->closed ? "closed" : reply->bytes;
  }

  fs::path folder_;
  testing::FakeGuardClock clock_;
  testing::FakeGuardRunner runner_;
  testing::FakeGuardSensors sensors_{clock_};
  testing::FakeGuardStore store_;
  VGXManagedPolicySource policies_;
  VGXGuardDaemon daemon_;
  int peerChecks_ = 0;
  std::optional<VGXGuardServer> server_;
};

// A client sends and never reads its replies while another holds a lease
// that is not renewed: the guard drops the first, the lease lapses 30 s after
// the hold to the nanosecond of the guard's clock (not at the next tick), and
// a third client is answered.
TEST_F(GuardServerTest, AClientThatNeverReadsStallsNothing) {
  clock_.advance(5);  // between two ticks
  const UniqueFd holder = connect();
  ASSERT_TRUE(VGXGuardWire::decodeGrant(*VGXGuardWire::dictionaryFromPacket(ask(holder, kHold))))
      << "no grant";
  ASSERT_TRUE(runner_.sleepDisabled);

  const UniqueFd stalled = connect();
  int sent = 0;
  bool dropped = false;
  while (!dropped && sent < 100'000) {
    const ssize_t result =
        ::send(stalled.get(), kStatus, std::strlen(kStatus), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (result > 0) ++sent;
    dropped = result < 0 && errno != EAGAIN;
    server_->step(0);
  }
  EXPECT_TRUE(dropped) << sent << " requests sent";

  clock_.advance(29.999);
  server_->step(0);
  EXPECT_TRUE(runner_.sleepDisabled);
  clock_.advance(0.001);
  server_->step(0);
  EXPECT_FALSE(runner_.sleepDisabled);
  EXPECT_EQ(daemon_.core().status().state, VGXGuardState::idle());

  const UniqueFd third = connect();
  EXPECT_TRUE(ask(third, kStatus).starts_with(R"({"ok":true,"state":"idle")"));
}

// A user floods the guard with silent connections from a process of its own
// while the guard may open few descriptors: the flood is closed at accept
// without a look at its process, and another user's client is answered.
TEST_F(GuardServerTest, AFloodOfSilentConnectionsLeavesOthersServed) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to connect as another user";
  rlimit saved{};
  ::getrlimit(RLIMIT_NOFILE, &saved);
  rlimit tight = saved;
  tight.rlim_cur = 512;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  struct Restore {
    rlimit limit;
    ~Restore() { ::setrlimit(RLIMIT_NOFILE, &limit); }
  } restore{saved};

  constexpr int kFlood = 2000;
  fs::permissions(folder_, fs::perms(0755));  // the flooding user reaches the socket
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t flooder = ::fork();
  if (flooder == 0) {
    rlimit wide{static_cast<rlim_t>(kFlood + 64), static_cast<rlim_t>(kFlood + 64)};
    if (::setrlimit(RLIMIT_NOFILE, &wide) != 0 || ::setgroups(0, nullptr) != 0 ||
        ::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) {
      ::_exit(1);
    }
    for (int made = 0; made < kFlood; ++made) {
      auto connection = platform::connectPacketSocket(folder_ / "guard");
      if (!connection) ::_exit(2);
      (void)connection->release();  // open until the process ends
    }
    char byte = 'y';
    (void)!::write(ready[1], &byte, 1);
    ::pause();
    ::_exit(0);
  }
  ::close(ready[1]);
  char flooded = 'n';
  EXPECT_TRUE(serveUntil([&] {
    pollfd done{ready[0], POLLIN, 0};
    return ::poll(&done, 1, 0) == 1 && ::read(ready[0], &flooded, 1) >= 0;
  }));

  const UniqueFd client = connect();
  const std::string reply = ask(client, kStatus);
  ::kill(flooder, SIGKILL);
  ::waitpid(flooder, nullptr, 0);
  ::close(ready[0]);
  EXPECT_EQ(flooded, 'y');
  EXPECT_TRUE(reply.starts_with(R"({"ok":true,"state":"idle")")) << reply;
  EXPECT_LE(peerChecks_, 4 + 1);  // the flooder's cap, and the client
}

}  // namespace
}  // namespace vigilix
