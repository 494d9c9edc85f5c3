// The built guard under socket activation, as root, against a mock logind.

#include <signal.h>

#include "dbus/mock_logind_test_fixture.h"
#include "guard/guard_end_to_end_fixture.h"

namespace vigilix::testing {
namespace {

using GuardEndToEndTest = GuardEndToEndFixture;

constexpr const char* kHold =
    R"({"method":"hold","userInitiated":true,"batteryFloorPercent":20,"batteryCapHours":4})";
constexpr const char* kStatus = R"({"method":"status"})";
constexpr const char* kClosed = "closed";

std::string withToken(const char* method, const std::string& token) {
  return std::string(R"({"method":")") + method + R"(","token":")" + token + R"("})";
}

TEST_F(GuardEndToEndTest, HoldRenewAndReleaseAsLogindSeesThem) {
  startGuard();
  const auto held = call(Socket::client, {kHold});
  ASSERT_EQ(held.size(), 1u) << guardLog();
  const auto token = tokenOf(held[0]);
  ASSERT_FALSE(token.empty()) << held[0] << "\n" << guardLog();
  EXPECT_TRUE(guardHoldsSleepSwitch());

  const auto renewed = call(Socket::client, {withToken("renew", token)});
  ASSERT_EQ(renewed.size(), 1u);
  EXPECT_EQ(tokenOf(renewed[0]), token);
  EXPECT_TRUE(guardHoldsSleepSwitch());

  EXPECT_EQ(call(Socket::client, {withToken("release", token)}),
            std::vector<std::string>{R"({"ok":true})"});
  EXPECT_FALSE(guardHoldsSleepSwitch());  // gone when the release answers
  EXPECT_TRUE(guard().running());
}

TEST_F(GuardEndToEndTest, TheLockDiesWithTheGuard) {
  startGuard();
  ASSERT_FALSE(tokenOf(call(Socket::client, {kHold}).at(0)).empty()) << guardLog();
  ASSERT_TRUE(guardHoldsSleepSwitch());
  const pid_t pid = guardPid();
  ::kill(pid, SIGKILL);
  EXPECT_EQ(guard().wait(), -1);
  EXPECT_TRUE(waitUntil([&] { return locksOf(pid).empty(); }));
}

// The service manager stops the guard with SIGTERM; a terminal with SIGINT.
TEST_F(GuardEndToEndTest, TerminationTurnsSleepBackOnAndExitsZero) {
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    startGuard();
    ASSERT_FALSE(tokenOf(call(Socket::client, {kHold}).at(0)).empty()) << guardLog();
    ASSERT_TRUE(guardHoldsSleepSwitch());
    const pid_t pid = guardPid();
    ::kill(pid, signal);
    EXPECT_EQ(guard().wait(), 0) << guardLog();
    EXPECT_TRUE(locksOf(pid).empty());
  }
}

TEST_F(GuardEndToEndTest, ASecondUserFindsTheGuardInUse) {
  startGuard();
  const auto token = tokenOf(call(Socket::client, {kHold}).at(0));
  ASSERT_FALSE(token.empty()) << guardLog();
  EXPECT_EQ(call(Socket::client, {kHold}, User::nobody),
            std::vector<std::string>{R"({"ok":false,"error":"inUseByAnotherUser"})"});
  EXPECT_EQ(call(Socket::client, {withToken("release", token)}, User::nobody),
            std::vector<std::string>{R"({"ok":false,"error":"inUseByAnotherUser"})"});
  EXPECT_TRUE(guardHoldsSleepSwitch());
}

// Who may talk on which socket: a refused peer finds its connection closed unanswered.
TEST_F(GuardEndToEndTest, WhoIsAnswered) {
  startGuard();
  const std::string other = VIGILIX_GUARD_TEST_PEER;  // the same program, not where expected
  const std::string idle = R"({"ok":true,"state":"idle","guardVersion":"1.2")";
  const struct {
    const char* name;
    Socket socket;
    User user;
    std::optional<std::string> program;
    std::string reply;
  } rows[] = {
      {"the application on the client socket", Socket::client, User::root, std::nullopt, idle},
      {"the application as another user", Socket::client, User::nobody, std::nullopt, idle},
      {"another program on the client socket", Socket::client, User::root, other, kClosed},
      {"the installer on the admin socket", Socket::admin, User::root, installer_.string(), idle},
      {"the installer's program run by another user", Socket::admin, User::nobody,
       installer_.string(), kClosed},
      {"another program of root on the admin socket", Socket::admin, User::root, other, kClosed},
      {"the application on the admin socket", Socket::admin, User::root, std::nullopt, kClosed},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto replies = call(row.socket, {kStatus}, row.user, row.program);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_TRUE(replies[0].starts_with(row.reply)) << replies[0] << "\n" << guardLog();
  }
  EXPECT_TRUE(guard().running());
}

}  // namespace
}  // namespace vigilix::testing
