// The built guard under socket activation, as root, against a mock logind.

#include <signal.h>

#include <functional>

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
  addSeatSession("c1", "seat1", 65534, "nobody", true);
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
  addSeatSession("c1", "seat1", 65534, "nobody", true);
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

// Only the person at the machine is served: another account's process at the
// application's path, or one logged in from elsewhere, finds its connection
// closed, and takes no lock.
TEST_F(GuardEndToEndTest, OnlyThePersonAtTheMachineIsServed) {
  startGuard();
  const std::string idle = R"({"ok":true,"state":"idle","guardVersion":"1.2")";
  const struct {
    const char* name;
    std::function<void()> arrange;
    bool served;
  } rows[] = {
      {"no session", [] {}, false},
      {"logged in from another machine", [] { addRemoteSession("r1", 65534, "nobody"); }, false},
      {"at a seat, in the background",
       [] { addSeatSession("c5", "seat1", 65534, "nobody", false); }, false},
      {"in the foreground of its seat", [] { setSessionFlag("c5", "Active", true); }, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    row.arrange();
    const auto status = call(Socket::client, {kStatus}, User::nobody);
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0].starts_with(idle), row.served) << status[0];
    const auto held = call(Socket::client, {kHold}, User::nobody);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(!tokenOf(held[0]).empty(), row.served) << held[0] << "\n" << guardLog();
    EXPECT_EQ(guardHoldsSleepSwitch(), row.served);
  }
}

// A logind that lists a closed lock for seconds more: the release waits for
// it and ends clean, and the next hold is granted.
TEST_F(GuardEndToEndTest, AReleaseOutlastsALaggingLogind) {
  setReleaseLag(4000);
  startGuard();
  const auto token = tokenOf(call(Socket::client, {kHold}).at(0));
  ASSERT_FALSE(token.empty()) << guardLog();
  EXPECT_EQ(call(Socket::client, {withToken("release", token)}),
            std::vector<std::string>{R"({"ok":true})"});
  EXPECT_FALSE(guardHoldsSleepSwitch());
  const auto status = call(Socket::client, {kStatus}).at(0);
  EXPECT_TRUE(status.starts_with(R"({"ok":true,"state":"idle")")) << status;
  EXPECT_FALSE(tokenOf(call(Socket::client, {kHold}).at(0)).empty()) << guardLog();
}

}  // namespace
}  // namespace vigilix::testing
