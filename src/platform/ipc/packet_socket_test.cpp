#include "platform/ipc/packet_socket.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/ipc/process_identity.h"
#include "testing/temporary_folder.h"

namespace vigilix::platform {
namespace {

namespace fs = std::filesystem;

TEST(PacketSocket, OnePacketPerMessage) {
  const fs::path folder = testing::makeTemporaryFolder("vigilix-ipc");
  const fs::path path = folder / "guard";
  std::ofstream(folder / "file") << "x";
  // Only a stale socket is replaced, never another file.
  EXPECT_EQ(listenPacketSocket(folder / "file", 0600).error(), EEXIST);
  {
    auto stale = listenPacketSocket(path, 0600);
    ASSERT_TRUE(stale.has_value());
  }
  auto listener = listenPacketSocket(path, 0666);
  ASSERT_TRUE(listener.has_value());
  struct stat facts {};
  ASSERT_EQ(::stat(path.c_str(), &facts), 0);
  EXPECT_EQ(facts.st_mode & 0777, 0666U);

  auto client = connectPacketSocket(path);
  ASSERT_TRUE(client.has_value());
  auto server = acceptPacketConnection(listener->get());
  ASSERT_TRUE(server.has_value());

  auto peer = peerCredentials(server->get());
  ASSERT_TRUE(peer.has_value());
  EXPECT_EQ(peer->pid, ::getpid());
  EXPECT_EQ(peer->uid, ::geteuid());

  struct Row {
    const char* name;
    std::string sent;
    std::size_t limit;
    ReceivedPacket received;
  };
  const Row rows[] = {
      {"whole",
       R"({"method":"status"})",
       kMaxPacketBytes,
       {false, false, R"({"method":"status"})"}},
      {"at the limit", std::string(16, 'a'), 16, {false, false, std::string(16, 'a')}},
      {"past the limit", std::string(17, 'a'), 16, {false, true, ""}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(sendPacket(client->get(), row.sent).has_value());
    auto received = receivePacket(server->get(), row.limit);
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ(received->closed, row.received.closed);
    EXPECT_EQ(received->truncated, row.received.truncated);
    EXPECT_EQ(received->bytes, row.received.bytes);
  }
  client->reset();
  auto closed = receivePacket(server->get());
  ASSERT_TRUE(closed.has_value());
  EXPECT_TRUE(closed->closed);
  EXPECT_EQ(connectPacketSocket(folder / "none").error(), ENOENT);
  fs::remove_all(folder);
}

TEST(ProcessIdentity, ReadsThisProcess) {
  auto identity = ProcessIdentity::live();
  auto pidfd = identity->openPidfd(::getpid());
  ASSERT_TRUE(pidfd.has_value());
  EXPECT_TRUE(identity->isAlive(pidfd->get()));
  EXPECT_TRUE(identity->startTicks(::getpid()).has_value());
  EXPECT_EQ(identity->executablePath(::getpid()), fs::read_symlink("/proc/self/exe").native());
  EXPECT_EQ(identity->executablePath(0), std::nullopt);
}

}  // namespace
}  // namespace vigilix::platform
