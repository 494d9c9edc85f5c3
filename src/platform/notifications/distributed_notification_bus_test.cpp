#include "platform/notifications/distributed_notification_bus.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "testing/absent_bus.h"
#include "testing/captured_log.h"
#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Received = std::pair<std::string, std::optional<std::string>>;

class DistributedNotificationBusTest : public ::testing::Test {
 protected:
  ObserverHandle record(DistributedNotificationCenter& center, const std::string& name,
                        std::vector<Received>& into) {
    return center.addObserver(
        name, [&into](const std::string& n, const std::optional<std::string>& object) {
          into.emplace_back(n, object);
        });
  }

  testing::TestPlatform platform;
  std::shared_ptr<DistributedNotificationBus> bus = std::make_shared<DistributedNotificationBus>();
  BusNotificationCenter app{bus};
  BusNotificationCenter extension{bus};
};

TEST_F(DistributedNotificationBusTest, OtherProcessesReceiveOnTheMainQueue) {
  std::vector<Received> atApp;
  auto token = record(app, "run.tarvo.vigilix.control.request", atApp);

  extension.post("run.tarvo.vigilix.control.request", "1");
  EXPECT_THAT(atApp, IsEmpty());  // never synchronously on the posting thread
  platform.runUntilIdle();
  EXPECT_THAT(atApp, ElementsAre(Received{"run.tarvo.vigilix.control.request", "1"}));
}

TEST_F(DistributedNotificationBusTest, PosterReceivesItsOwnPostToo) {
  std::vector<Received> atApp;
  auto token = record(app, "run.tarvo.vigilix.cli.reply", atApp);
  app.post("run.tarvo.vigilix.cli.reply", std::nullopt);
  platform.runUntilIdle();
  EXPECT_THAT(atApp, ElementsAre(Received{"run.tarvo.vigilix.cli.reply", std::nullopt}));
}

TEST_F(DistributedNotificationBusTest, FiltersByNameAndEmptyNameHearsAll) {
  std::vector<Received> named;
  std::vector<Received> all;
  auto a = record(app, "A", named);
  auto b = record(app, "", all);
  extension.post("A", "x");
  extension.post("B", std::nullopt);
  platform.runUntilIdle();
  EXPECT_THAT(named, ElementsAre(Received{"A", "x"}));
  EXPECT_THAT(all, ElementsAre(Received{"A", "x"}, Received{"B", std::nullopt}));
}

TEST_F(DistributedNotificationBusTest, DeliveriesKeepPostingOrder) {
  std::vector<Received> seen;
  auto token = record(app, "", seen);
  extension.post("first", std::nullopt);
  app.post("second", std::nullopt);
  extension.post("third", std::nullopt);
  platform.runUntilIdle();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].first, "first");
  EXPECT_EQ(seen[1].first, "second");
  EXPECT_EQ(seen[2].first, "third");
}

TEST_F(DistributedNotificationBusTest, TokenDestroyedBeforeDeliveryStopsIt) {
  std::vector<Received> seen;
  auto token = record(app, "A", seen);
  extension.post("A", std::nullopt);
  token.reset();
  platform.runUntilIdle();
  EXPECT_THAT(seen, IsEmpty());
}

TEST_F(DistributedNotificationBusTest, SeparateBusesAndDetachedCentresHearNothing) {
  BusNotificationCenter elsewhere{std::make_shared<DistributedNotificationBus>()};
  std::vector<Received> atElsewhere;
  std::vector<Received> atApp;
  auto e = record(elsewhere, "A", atElsewhere);
  auto a = record(app, "A", atApp);
  {
    BusNotificationCenter gone{bus};
    std::vector<Received> atGone;
    auto g = record(gone, "A", atGone);
  }
  extension.post("A", std::nullopt);
  platform.runUntilIdle();
  EXPECT_THAT(atElsewhere, IsEmpty());
  EXPECT_EQ(atApp.size(), 1u);
}

TEST_F(DistributedNotificationBusTest, WithoutASessionBusCurrentIsProcessWideUntilReplaced) {
  testing::CapturedLog log;
  testing::AbsentBus noSessionBus(BusKind::Session);
  auto& processWide = DistributedNotificationCenter::current();
  EXPECT_TRUE(log.containsFragment("system-wide notifications stay inside this process"));
  EXPECT_EQ(&processWide, &DistributedNotificationCenter::current());

  std::vector<Received> seen;
  auto token = record(processWide, "run.tarvo.vigilix.Test", seen);
  BusNotificationCenter otherProcess{DistributedNotificationBus::processWide()};
  otherProcess.post("run.tarvo.vigilix.Test", "hello");
  platform.runUntilIdle();
  EXPECT_THAT(seen, ElementsAre(Received{"run.tarvo.vigilix.Test", "hello"}));

  DistributedNotificationCenter::setCurrent(&app);
  EXPECT_EQ(&DistributedNotificationCenter::current(), &app);
  DistributedNotificationCenter::setCurrent(nullptr);
  EXPECT_EQ(&DistributedNotificationCenter::current(), &processWide);
}

}  // namespace
}  // namespace vigilix::platform
