// System-wide notifications between connections (processes) on a private session bus.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dbus/main_loop_waiting.h"
#include "dbus/private_bus.h"
#include "platform/notifications/dbus_notification_center.h"
#include "platform/notifications/distributed_notification_bus.h"
#include "platform/runloop/dispatch_queue.h"
#include "testing/absent_bus.h"
#include "testing/captured_log.h"

namespace vigilix::testing {
namespace {

using platform::AsyncBusConnection;
using platform::BusKind;
using platform::DBusNotificationCenter;
using platform::ObserverHandle;
using ::testing::UnorderedElementsAreArray;

constexpr const char* kRequest = "run.tarvo.vigilix.cli.request";

struct Received {
  std::string name;
  std::optional<std::string> object;
  bool operator==(const Received&) const = default;
};

void PrintTo(const Received& received, std::ostream* os) {
  *os << received.name << " / " << received.object.value_or("(none)");
}

class SdBusNotificationCenterTest : public ::testing::Test {
 protected:
  ObserverHandle record(platform::DistributedNotificationCenter& center, const std::string& name,
                        std::vector<Received>& into) {
    return center.addObserver(
        name, [this, &into](const std::string& n, const std::optional<std::string>& object) {
          offMainThread = offMainThread || !platform::DispatchQueue::isMainThread();
          into.push_back(Received{n, object});
        });
  }

  // Once the bus has answered a call sent after them, the connection's
  // matches are in place: it handles one connection's messages in order.
  void settle(AsyncBusConnection& connection) {
    bool answered = false;
    auto call = connection.callAsync(
        {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId"}, nullptr,
        [&](const platform::BusReply&) { answered = true; });
    ASSERT_TRUE(call.has_value());
    ASSERT_TRUE(runMainLoopUntil([&] { return answered; }));
  }

  // Runs `argv` to its end; true when it exited 0.
  bool runToEnd(const std::vector<std::string>& argv) {
    TestChildProcess child(argv, bus.folder() / "child.log");
    return child.wait() == 0;
  }

  PrivateSessionBus bus;
  std::shared_ptr<AsyncBusConnection> appConnection = openSessionConnection();
  DBusNotificationCenter app{appConnection};
  DBusNotificationCenter tool{openSessionConnection()};
  bool offMainThread = false;
};

TEST_F(SdBusNotificationCenterTest, ObserversHearTheirNameFromEveryProcessOnTheMainThread) {
  const std::string odd = "run.tarvo.vigilix.it's\\odd";  // no match rule can hold it
  struct Row {
    const char* name;
    bool fromApp;
    std::string posted;
    std::optional<std::string> object;
    bool heardByRequest;
    bool heardByOdd;
  };
  const Row rows[] = {
      {"a text object, from another process", false, kRequest, "|n|status", true, false},
      {"no object", false, kRequest, std::nullopt, true, false},
      {"an empty text is still an object", false, kRequest, "", true, false},
      {"its own post", true, kRequest, "{\"v\":2,\"id\":\"a,b\"}", true, false},
      {"another name", false, std::string(kRequest) + ".other", "x", false, false},
      {"a name no rule can hold", false, odd, "y", false, true},
  };
  std::vector<Received> requests;
  std::vector<Received> odds;
  std::vector<Received> everything;
  auto requestToken = record(app, kRequest, requests);
  auto oddToken = record(app, odd, odds);
  auto allToken = record(app, "", everything);
  settle(*appConnection);

  std::vector<Received> expectedRequests;
  std::vector<Received> expectedOdds;
  std::vector<Received> expectedEverything;
  for (const Row& row : rows) {
    (row.fromApp ? app : tool).post(row.posted, row.object);
    const Received sent{row.posted, row.object};
    expectedEverything.push_back(sent);
    if (row.heardByRequest) expectedRequests.push_back(sent);
    if (row.heardByOdd) expectedOdds.push_back(sent);
  }
  ASSERT_TRUE(runMainLoopUntil([&] {
    return everything.size() >= expectedEverything.size() &&
           requests.size() >= expectedRequests.size() && odds.size() >= expectedOdds.size();
  }));
  EXPECT_THAT(everything, UnorderedElementsAreArray(expectedEverything));
  EXPECT_THAT(requests, UnorderedElementsAreArray(expectedRequests));
  EXPECT_THAT(odds, UnorderedElementsAreArray(expectedOdds));
  EXPECT_FALSE(offMainThread);
}

TEST_F(SdBusNotificationCenterTest, AShellPostReachesAnObserver) {
  const std::vector<std::string> send = {"/usr/bin/dbus-send", "--session", "--type=signal"};
  const std::string path = "/run/tarvo/vigilix/DistributedNotificationCenter";
  const std::string member = "run.tarvo.vigilix.DistributedNotificationCenter.Posted";
  struct Row {
    const char* name;
    std::vector<std::string> arguments;  // after the command
    std::optional<Received> heard;
  };
  const Row rows[] = {
      {"name and text object",
       {path, member, std::string("string:") + kRequest, "string:|n|status"},
       Received{kRequest, "|n|status"}},
      {"name only", {path, member, std::string("string:") + kRequest}, Received{kRequest, {}}},
      {"an object that is not text",
       {path, member, std::string("string:") + kRequest, "int32:5"},
       std::nullopt},
      {"another object path",
       {"/run/tarvo/vigilix/Elsewhere", member, std::string("string:") + kRequest, "string:x"},
       std::nullopt},
  };
  std::vector<Received> requests;
  auto token = record(app, kRequest, requests);
  settle(*appConnection);
  std::vector<Received> expected;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> argv = send;
    argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
    EXPECT_TRUE(runToEnd(argv));
    if (row.heard) expected.push_back(*row.heard);
  }
  ASSERT_TRUE(runMainLoopUntil([&] { return requests.size() >= expected.size(); }));
  EXPECT_THAT(requests, UnorderedElementsAreArray(expected));
}

TEST_F(SdBusNotificationCenterTest, DroppingTheTokenEndsDeliveryOnAnyThread) {
  for (const bool fromOtherThread : {false, true}) {
    SCOPED_TRACE(fromOtherThread ? "dropped on another thread" : "dropped on the main thread");
    std::vector<Received> dropped;
    std::vector<Received> marker;
    auto token = record(app, kRequest, dropped);
    auto markerToken = record(app, "run.tarvo.vigilix.marker", marker);
    settle(*appConnection);
    if (fromOtherThread) {
      std::thread([&] { token.reset(); }).join();
    } else {
      token.reset();
    }
    tool.post(kRequest, "late");
    tool.post("run.tarvo.vigilix.marker", std::nullopt);
    // One connection's posts keep their order: the marker comes after.
    ASSERT_TRUE(runMainLoopUntil([&] { return !marker.empty(); }));
    EXPECT_TRUE(dropped.empty());
  }
}

TEST(LiveDistributedCenterTest, UsesTheSessionBusWhenThereIsOneAndSaysWhenThereIsNone) {
  struct Row {
    const char* name;
    bool sessionBus;
    bool onTheBus;
  };
  const Row rows[] = {
      {"no session bus", false, false},
      {"a session bus", true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CapturedLog log;
    std::optional<PrivateSessionBus> bus;
    std::optional<AbsentBus> absent;
    if (row.sessionBus) {
      bus.emplace();
    } else {
      absent.emplace(BusKind::Session);
    }
    const auto center = platform::makeLiveDistributedCenter();
    EXPECT_EQ(dynamic_cast<DBusNotificationCenter*>(center.get()) != nullptr, row.onTheBus);
    EXPECT_EQ(dynamic_cast<platform::BusNotificationCenter*>(center.get()) != nullptr,
              !row.onTheBus);
    EXPECT_EQ(log.containsFragment("No session bus (cannot connect to the session bus"),
              !row.onTheBus);
  }
}

}  // namespace
}  // namespace vigilix::testing
