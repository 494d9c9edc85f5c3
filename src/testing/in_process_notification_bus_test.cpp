#include "testing/in_process_notification_bus.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "testing/absent_bus.h"
#include "testing/test_platform.h"

namespace vigilix::testing {
namespace {

using ::testing::ElementsAre;
using Posted = InProcessNotificationBus::Posted;

TEST(InProcessNotificationBus, InstallsItsCentreAsCurrentAndRestoresOnExit) {
  AbsentBus noSessionBus(platform::BusKind::Session);
  auto* before = &platform::DistributedNotificationCenter::current();
  {
    InProcessNotificationBus bus;
    EXPECT_EQ(&platform::DistributedNotificationCenter::current(), &bus.center());
    EXPECT_NE(&bus.center(), before);
  }
  EXPECT_EQ(&platform::DistributedNotificationCenter::current(), before);
}

TEST(InProcessNotificationBus, ProcessesShareTheBusAndEveryPostIsRecorded) {
  TestPlatform platform;
  InProcessNotificationBus bus;
  auto tool = bus.makeProcess();

  std::vector<std::string> requests;
  auto token = platform::DistributedNotificationCenter::current().addObserver(
      "run.tarvo.vigilix.cli.request",
      [&](const std::string&, const std::optional<std::string>& object) {
        requests.push_back(object.value_or("<none>"));
        bus.center().post("run.tarvo.vigilix.cli.reply", "ok");
      });

  tool->post("run.tarvo.vigilix.cli.request", "status");
  platform.runUntilIdle();

  EXPECT_THAT(requests, ElementsAre("status"));
  EXPECT_THAT(bus.posted(), ElementsAre(Posted{"run.tarvo.vigilix.cli.request", "status"},
                                        Posted{"run.tarvo.vigilix.cli.reply", "ok"}));
  EXPECT_THAT(bus.posted("run.tarvo.vigilix.cli.reply"),
              ElementsAre(Posted{"run.tarvo.vigilix.cli.reply", "ok"}));
}

TEST(InProcessNotificationBus, IsolatedFromTheProcessWideBus) {
  TestPlatform platform;
  InProcessNotificationBus bus;
  std::vector<std::string> seen;
  auto token = bus.center().addObserver(
      "",
      [&](const std::string& name, const std::optional<std::string>&) { seen.push_back(name); });
  platform::BusNotificationCenter outsider(platform::DistributedNotificationBus::processWide());
  outsider.post("run.tarvo.vigilix.Stray", std::nullopt);
  platform.runUntilIdle();
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(bus.posted().empty());
}

}  // namespace
}  // namespace vigilix::testing
