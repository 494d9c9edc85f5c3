#include "platform/power/logind_power_assertions.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "testing/captured_log.h"
#include "testing/fake_logind_inhibitors.h"
#include "testing/manual_dispatch_queue.h"

namespace vigilix::platform {
namespace {

constexpr const char* kSystem = kAssertionTypePreventUserIdleSystemSleep;

struct Harness {
  Harness() { assertions.emplace(LogindPowerAssertions::Services{logind, nullptr, queue}); }
  testing::CapturedLog log;
  std::shared_ptr<testing::FakeLogindInhibitors> logind =
      std::make_shared<testing::FakeLogindInhibitors>();
  std::shared_ptr<testing::ManualDispatchQueue> queue =
      std::make_shared<testing::ManualDispatchQueue>();
  std::optional<LogindPowerAssertions> assertions;
};

TEST(LogindPowerAssertionsTest, BadArgumentsAreRefusedBeforeAnyBusCall) {
  struct Row {
    const char* name;
    const char* type;
    std::int64_t level;
    const char* assertionName;
  };
  const Row rows[] = {
      {"unknown type", "NoIdleSleepAssertion", 255, "Vigilix: a"},
      {"level off", kSystem, 0, "Vigilix: a"},
      {"empty name", kSystem, 255, ""},
  };
  Harness harness;
  harness.queue->runAll();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(harness.assertions->createWithName(row.type, row.level, row.assertionName),
              (PowerAssertionCreateResult{kPowerReturnBadArgument, 0}));
    EXPECT_EQ(harness.queue->pendingCount(), 0u);
  }
}

TEST(LogindPowerAssertionsTest, OnlyAnAbsentLogindMakesCreatesFailAtOnce) {
  struct Row {
    const char* name;
    std::optional<BusError> listFailure;
    BusError inhibitFailure;
    PowerReturn secondCreate;
    const char* logged;
    int loggedTimes;
  };
  const BusError serviceUnknown{0, "org.freedesktop.DBus.Error.ServiceUnknown", "no logind"};
  const BusError accessDenied{0, "org.freedesktop.DBus.Error.AccessDenied", "polkit says no"};
  const Row rows[] = {
      {"no logind", serviceUnknown, serviceUnknown, kPowerReturnError,
       "logind cannot be reached, so no power assertion can be held: ", 1},
      {"logind refuses the lock", std::nullopt, accessDenied, kPowerReturnSuccess,
       "logind refused a lock: ", 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Harness harness;
    harness.logind->listFailure = row.listFailure;
    harness.logind->inhibitFailure = row.inhibitFailure;
    // Before logind has answered anything, a create is taken on trust.
    const auto first = harness.assertions->createWithName(kSystem, 255, "Vigilix: a");
    ASSERT_EQ(first.result, kPowerReturnSuccess);
    harness.queue->runAll();
    EXPECT_FALSE(harness.assertions->copyProperties(first.assertionID))
        << "a lock that could not be taken reads as gone";
    EXPECT_EQ(harness.assertions->logindReachable(), !row.listFailure.has_value());

    EXPECT_EQ(harness.assertions->createWithName(kSystem, 255, "Vigilix: b").result,
              row.secondCreate);
    harness.queue->runAll();
    const auto messages = harness.log.messages("PowerAssertions");
    EXPECT_EQ(std::ranges::count_if(
                  messages, [&](const std::string& m) { return m.starts_with(row.logged); }),
              row.loggedTimes)
        << "an absent logind is said once; each refusal is said";
  }
}

}  // namespace
}  // namespace vigilix::platform
