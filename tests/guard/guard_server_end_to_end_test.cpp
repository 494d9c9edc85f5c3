// What the built guard's loop does with connections, packets, wake and its
// sockets, beyond a client's hold.

#include <sys/stat.h>

#include "dbus/mock_logind_test_fixture.h"
#include "guard/guard_end_to_end_fixture.h"

namespace vigilix::testing {
namespace {

using GuardServerEndToEndTest = GuardEndToEndFixture;

constexpr const char* kClosed = "closed";
constexpr const char* kStatus = R"({"method":"status"})";
constexpr const char* kIdle = R"({"ok":true,"state":"idle","guardVersion":"1.2")";

// Every request is answered exactly once, or the connection is closed.
TEST_F(GuardServerEndToEndTest, EachPacketIsAnsweredOnceOrTheConnectionCloses) {
  startGuard();
  const struct {
    const char* name;
    Socket socket;
    std::vector<std::string> requests;
    std::vector<std::string> replies;  // each a reply's start
  } rows[] = {
      {"two requests on one connection", Socket::client, {kStatus, kStatus}, {kIdle, kIdle}},
      {"a drain asked on the client socket",
       Socket::client,
       {R"({"method":"beginDrain"})"},
       {kClosed}},
      {"a hold asked on the admin socket",
       Socket::admin,
       {R"({"method":"hold","userInitiated":true,"batteryFloorPercent":20,"batteryCapHours":4})"},
       {kClosed}},
      {"an unknown method", Socket::client, {R"({"method":"install"})"}, {kClosed}},
      {"not JSON", Socket::client, {"status"}, {kClosed}},
      {"an array", Socket::client, {R"(["status"])"}, {kClosed}},
      {"a hold without its arguments", Socket::client, {R"({"method":"hold"})"}, {kClosed}},
      {"a renew whose token is a number",
       Socket::client,
       {R"({"method":"renew","token":7})"},
       {kClosed}},
      {"a refusal ends the connection, not what was answered",
       Socket::client,
       {kStatus, "{", kStatus},
       {kIdle, kClosed}},
      {"the end of a drain nobody began",
       Socket::admin,
       {R"({"method":"endDrain"})"},
       {R"({"ok":true})"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto replies =
        call(row.socket, row.requests, User::root,
             row.socket == Socket::admin ? std::optional(installer_.string()) : std::nullopt);
    ASSERT_EQ(replies.size(), row.replies.size()) << guardLog();
    for (std::size_t index = 0; index < replies.size(); ++index) {
      EXPECT_TRUE(replies[index].starts_with(row.replies[index])) << replies[index];
    }
  }
  EXPECT_TRUE(guard().running());
}

// logind let go of the lock while the machine slept; at wake the guard takes it again.
TEST_F(GuardServerEndToEndTest, WakeTakesTheLockAgain) {
  startGuard();
  const auto held = call(Socket::client, {R"({"method":"hold","userInitiated":true,)"
                                          R"("batteryFloorPercent":20,"batteryCapHours":4})"});
  ASSERT_EQ(held.size(), 1u);
  ASSERT_TRUE(tokenOf(held[0]).size() > 0) << held[0] << guardLog();
  dropBlockLocks();
  ASSERT_FALSE(guardHoldsSleepSwitch());
  emitPrepareForSleep(true);
  emitPrepareForSleep(false);
  EXPECT_TRUE(waitUntil([&] { return guardHoldsSleepSwitch(); })) << guardLog();
}

TEST_F(GuardServerEndToEndTest, WithoutActivationItBindsItsOwnSockets) {
  startGuardOnItsOwnSockets();
  struct stat client {};
  struct stat admin {};
  ASSERT_EQ(::stat(socketPath(Socket::client).c_str(), &client), 0);
  ASSERT_EQ(::stat(socketPath(Socket::admin).c_str(), &admin), 0);
  EXPECT_EQ(client.st_mode & 07777, 0666u);
  EXPECT_EQ(admin.st_mode & 07777, 0600u);
  const auto replies = call(Socket::client, {kStatus});
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_TRUE(replies[0].starts_with(kIdle)) << replies[0];
  // The admin socket is root's alone at the file too: another user cannot even connect.
  EXPECT_EQ(call(Socket::admin, {kStatus}, User::nobody, installer_.string()),
            std::vector<std::string>{"connect 13"});
}

TEST_F(GuardServerEndToEndTest, ActivationWithoutItsNamedSocketsCannotStart) {
  startGuard("guard:other");
  EXPECT_EQ(call(Socket::client, {kStatus}), std::vector<std::string>{kClosed});
  EXPECT_EQ(guard().wait(), 78);
  EXPECT_NE(guardLog().find("VigilixSleepGuard: sockets: socket activation without admin\n"),
            std::string::npos)
      << guardLog();
}

}  // namespace
}  // namespace vigilix::testing
