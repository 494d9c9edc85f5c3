#include "platform/ipc/packet_server.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "testing/captured_log.h"
#include "testing/temporary_folder.h"

namespace vigilix::platform {
namespace {

namespace fs = std::filesystem;

// A server on a listener in a temporary folder that answers "ok" to
// everything, admits every peer and counts how often it was asked to.
struct World {
  fs::path folder = testing::makeTemporaryFolder("vigilix-packet-server");
  UniqueFd listener = std::move(*listenPacketSocket(folder / "socket", 0600));
  std::uint64_t now = 1'000'000'000;
  int admitted = 0;
  PacketServer server;

  explicit World(PacketServerLimits limits)
      : server(
            {{listener.get(), 0}}, limits,
            {[this](const PacketServer::Peer&) -> std::expected<void, std::string> {
               ++admitted;
               return {};
             },
             [](const PacketServer::Peer&, std::string_view) { return std::string("ok"); },
             {},
             {}},
            [this] { return now; }, Logger("test")) {}
  ~World() { fs::remove_all(folder); }

  // One pass as a loop would make it, without waiting.
  void pass() {
    std::vector<pollfd> fds;
    server.appendPollFds(fds);
    ::poll(fds.data(), fds.size(), 0);
    server.serve(fds);
  }
  UniqueFd connect() { return std::move(*connectPacketSocket(folder / "socket")); }
};

bool closedByServer(const UniqueFd& client) {
  auto packet = receivePacket(client.get());
  return packet && packet->closed;
}

// Over a cap a connection is closed before the peer is looked at, and one
// line says so for all of them.
TEST(PacketServer, ConnectionsOverACapAreClosedAtAccept) {
  const struct {
    const char* name;
    PacketServerLimits limits;
  } rows[] = {
      {"per user", {2, 10, 30'000'000'000}},
      {"in all", {10, 2, 30'000'000'000}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::CapturedLog log;
    World world(row.limits);
    std::vector<UniqueFd> clients;
    for (int made = 0; made < 5; ++made) clients.push_back(world.connect());
    world.pass();
    EXPECT_EQ(world.admitted, 2);
    EXPECT_EQ(world.server.connectionCount(), 2u);
    for (std::size_t index = 2; index < clients.size(); ++index) {
      EXPECT_TRUE(closedByServer(clients[index]));
    }
    EXPECT_EQ(log.size(), 1u);
  }
}

// While no descriptor is left to accept with, the listener rests for a second
// instead of waking the loop again at once, and the connection waiting is
// taken afterwards.
TEST(PacketServer, AWantOfDescriptorsIsWaitedOut) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers' own checks need a free descriptor";
#endif
  World world({4, 8, 30'000'000'000});
  const UniqueFd waiting = world.connect();
  rlimit saved{};
  ::getrlimit(RLIMIT_NOFILE, &saved);
  std::vector<UniqueFd> filler;
  rlimit tight = saved;
  tight.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  while (filler.size() < 64) {
    UniqueFd fd(::dup(STDIN_FILENO));
    if (!fd.valid()) break;
    filler.push_back(std::move(fd));
  }
  world.pass();
  std::vector<pollfd> fds;
  world.server.appendPollFds(fds);
  EXPECT_TRUE(fds.empty());  // the listener is not polled while it rests
  EXPECT_EQ(world.server.nextDeadline(), world.now + PacketServer::kAcceptPauseNanoseconds);
  filler.clear();
  ::setrlimit(RLIMIT_NOFILE, &saved);
  world.now += PacketServer::kAcceptPauseNanoseconds;
  world.pass();  // the pause ends
  world.pass();
  EXPECT_EQ(world.server.connectionCount(), 1u);
}

}  // namespace
}  // namespace vigilix::platform
