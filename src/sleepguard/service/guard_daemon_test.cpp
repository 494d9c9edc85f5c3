#include "sleepguard/service/guard_daemon.h"

#include <gtest/gtest.h>

#include "sleepguard/testing/fake_guard_clock.h"
#include "sleepguard/testing/fake_guard_runner.h"
#include "sleepguard/testing/fake_guard_sensors.h"
#include "sleepguard/testing/fake_guard_store.h"
#include "testing/scoped_environment.h"
#include "testing/temporary_folder.h"

namespace vigilix {
namespace {

using namespace VGXGuardWire;

// A conversation with the daemon as the server would hold it: each step is a
// request of a user on a service and what its reply must say. "$token" in a
// request stands for the token of the last grant.
TEST(GuardDaemon, AnswersEachCallThroughTheCore) {
  testing::FakeGuardClock clock;
  testing::FakeGuardRunner runner;
  testing::FakeGuardSensors sensors{clock};
  testing::FakeGuardStore store;
  const auto folder = testing::makeTemporaryFolder("vigilix-managed");
  VGXManagedPolicySource policies(folder, [](std::uint32_t) { return std::string("tester"); });
  VGXGuardDaemon daemon(runner, sensors, clock, store, policies, "feed");
  daemon.recoverAtStart();

  struct Step {
    const char* name;
    std::uint32_t uid;
    std::string request;
    const char* field;
    Dictionary expected;
    int advanceSeconds = 0;  // time that passes, ticking every 10 s, before the request
  };
  const Step steps[] = {
      {"hold", 501,
       R"({"method":"hold","userInitiated":true,"batteryFloorPercent":5,"batteryCapHours":7})",
       "ok", true},
      {"held by its user", 501, R"({"method":"status"})", "state", "held:501"},
      {"hash of the installed guard", 501, R"({"method":"status"})", "executableSHA256", "feed"},
      {"another user", 502,
       R"({"method":"hold","userInitiated":true,"batteryFloorPercent":30,"batteryCapHours":3})",
       "error", "inUseByAnotherUser"},
      {"renew by another user", 502, R"({"method":"renew","token":"$token"})", "error",
       "inUseByAnotherUser"},
      {"renew", 501, R"({"method":"renew","token":"$token"})", "ok", true, 20},
      {"still held after renewing", 501, R"({"method":"status"})", "state", "held:501", 20},
      {"lapsed 30 s after the last renewal", 501, R"({"method":"status"})", "state", "idle", 20},
      {"hold again", 501,
       R"({"method":"hold","userInitiated":true,"batteryFloorPercent":5,"batteryCapHours":7})",
       "ok", true},
      {"release with a wrong token", 501, R"({"method":"release","token":"nope"})", "ok", false},
      {"release", 501, R"({"method":"release","token":"$token"})", "ok", true},
      {"idle after release", 501, R"({"method":"status"})", "state", "idle"},
      {"drain", 0, R"({"method":"beginDrain"})", "ok", true},
      {"no hold while draining", 501,
       R"({"method":"hold","userInitiated":true,"batteryFloorPercent":5,"batteryCapHours":7})",
       "error", "draining"},
      {"end drain", 0, R"({"method":"endDrain"})", "ok", true},
      {"end drain with none begun", 0, R"({"method":"endDrain"})", "ok", true},
  };
  std::string token;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    for (int passed = 0; passed < step.advanceSeconds; passed += 10) {
      clock.advance(10);
      daemon.tick();
    }
    std::string text = step.request;
    if (auto at = text.find("$token"); at != std::string::npos) text.replace(at, 6, token);
    const auto interface =
        step.uid == 0 ? VGXGuardInterfaces::adminInterface() : VGXGuardInterfaces::guardInterface();
    auto request = VGXGuardInterfaces::decodeRequest(interface, *dictionaryFromPacket(text));
    ASSERT_TRUE(request.has_value());
    const auto reply = daemon.answer(step.uid, *request);
    ASSERT_TRUE(reply.contains(step.field)) << packetText(reply);
    EXPECT_EQ(reply[step.field], step.expected) << packetText(reply);
    if (auto grant = decodeGrant(reply); grant && *grant) token = (*grant)->token;
  }
  std::filesystem::remove_all(folder);
}

// A test of the built guard may shorten the lease, never lengthen it.
TEST(GuardDaemon, GrantsTheLeaseATestSetsOnlyWhenShorter) {
  struct Row {
    const char* name;
    const char* setting;  // nullptr: unset
    std::int64_t granted;
  };
  const Row rows[] = {{"unset", nullptr, 30}, {"six", "6", 6}, {"longer", "600", 30}};
  const auto folder = testing::makeTemporaryFolder("vigilix-managed");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::ScopedEnvironment lease("VIGILIX_TEST_GUARD_LEASE", row.setting);
    testing::FakeGuardClock clock;
    testing::FakeGuardRunner runner;
    testing::FakeGuardSensors sensors{clock};
    testing::FakeGuardStore store;
    VGXManagedPolicySource policies(folder, [](std::uint32_t) { return std::string("tester"); });
    VGXGuardDaemon daemon(runner, sensors, clock, store, policies, "feed");
    daemon.recoverAtStart();
    const VGXGuardRequest hold{.method = VGXGuardMethod::hold,
                               .userInitiated = true,
                               .batteryFloorPercent = 5,
                               .batteryCapHours = 7,
                               .token = {}};
    const auto grant = decodeGrant(daemon.answer(501, hold));
    ASSERT_TRUE(grant && *grant);
    EXPECT_EQ((*grant)->leaseSeconds, row.granted);
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vigilix
