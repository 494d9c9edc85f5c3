#include "platform/power/logind_power_assertions.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "testing/captured_log.h"
#include "testing/fake_logind_inhibitors.h"
#include "testing/manual_dispatch_queue.h"

namespace vigilix::platform {
namespace {

constexpr LockKind kSystem = LockKind::systemSleep;

struct Harness {
  Harness() { assertions.emplace(LogindPowerAssertions::Services{logind, nullptr, queue}); }
  testing::CapturedLog log;
  std::shared_ptr<testing::FakeLogindInhibitors> logind =
      std::make_shared<testing::FakeLogindInhibitors>();
  std::shared_ptr<testing::ManualDispatchQueue> queue =
      std::make_shared<testing::ManualDispatchQueue>();
  std::optional<LogindPowerAssertions> assertions;
};

TEST(LogindPowerAssertionsTest, AnEmptyReasonIsRefusedBeforeAnyBusCall) {
  Harness harness;
  harness.queue->runAll();
  EXPECT_EQ(harness.assertions->take(kSystem, ""), std::unexpected(LockError::badArgument));
  EXPECT_EQ(harness.queue->pendingCount(), 0u);
}

TEST(LogindPowerAssertionsTest, OnlyAnAbsentLogindMakesCreatesFailAtOnce) {
  struct Row {
    const char* name;
    std::optional<BusError> listFailure;
    BusError inhibitFailure;
    std::optional<LockError> secondError;
    const char* logged;
    int loggedTimes;
  };
  const BusError serviceUnknown{0, "org.freedesktop.DBus.Error.ServiceUnknown", "no logind"};
  const BusError accessDenied{0, "org.freedesktop.DBus.Error.AccessDenied", "polkit says no"};
  const Row rows[] = {
      {"no logind", serviceUnknown, serviceUnknown, LockError::unavailable,
       "logind cannot be reached, so no power assertion can be held: ", 1},
      {"logind refuses the lock", std::nullopt, accessDenied, std::nullopt,
       "logind refused a lock: ", 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Harness harness;
    harness.logind->listFailure = row.listFailure;
    harness.logind->inhibitFailure = row.inhibitFailure;
    // Before logind has answered anything, a take is trusted.
    const auto first = harness.assertions->take(kSystem, "Vigilix: a");
    ASSERT_TRUE(first);
    harness.queue->runAll();
    EXPECT_FALSE(harness.assertions->heldLock(*first))
        << "a lock that could not be taken reads as gone";
    EXPECT_EQ(harness.assertions->logindReachable(), !row.listFailure.has_value());

    const auto second = harness.assertions->take(kSystem, "Vigilix: b");
    EXPECT_EQ(second.has_value() ? std::nullopt : std::optional(second.error()), row.secondError);
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
