// Notices through a notification service mock on a private session bus.
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <optional>
#include <string>
#include <vector>

#include "dbus/dbus_mock.h"
#include "dbus/main_loop_waiting.h"
#include "dbus/mock_calls.h"
#include "dbus/private_bus.h"
#include "platform/usernotifications/dbus_user_notification_center.h"
#include "testing/absent_bus.h"
#include "testing/captured_log.h"

namespace vigilix::testing {
namespace {

using platform::AsyncBusConnection;
using platform::BusKind;
using platform::DBusUserNotificationCenter;
using platform::NotificationRequest;
using platform::NotificationResponse;
using Calls = std::vector<std::vector<std::string>>;

constexpr MockObject kService{"org.freedesktop.Notifications", "/org/freedesktop/Notifications"};
constexpr const char* kWithActions = R"({"capabilities": "body actions body-markup"})";
constexpr const char* kHints = "[desktop-entry=run.tarvo.vigilix, urgency=1]";

class RecordingDelegate final : public platform::UserNotificationCenterDelegate {
 public:
  void didReceiveResponse(const NotificationResponse& response,
                          std::function<void()> completion) override {
    responses.push_back(response);
    completion();
  }
  std::vector<NotificationResponse> responses;
};

NotificationRequest request(const std::string& identifier, const std::string& category,
                            const std::string& body = "Body") {
  return {identifier, {"Title", body, "thread", category, platform::InterruptionLevel::active}};
}

// The Notify arguments the mock records, as text.
std::vector<std::string> notify(const std::string& replacesId, const std::string& body,
                                const std::string& actions) {
  return {"Vigilix", replacesId, "", "Title", body, actions, kHints, "-1"};
}

class SdBusUserNotificationCenterTest : public ::testing::Test {
 protected:
  void startService(const std::string& parameters = kWithActions) {
    service.emplace(bus, "notification_daemon", kService.service, parameters);
  }

  std::shared_ptr<AsyncBusConnection> openSession() {
    auto connection = AsyncBusConnection::open(BusKind::Session);
    EXPECT_TRUE(connection.has_value());
    return connection ? std::move(*connection) : nullptr;
  }

  // Work is done in order: once a later question is answered, all before it is done.
  void settle() {
    bool answered = false;
    center->requestAuthorization(
        [&](bool, const platform::NotificationError&) { answered = true; });
    ASSERT_TRUE(runMainLoopUntil([&] { return answered; }));
  }

  void setUpCenter() {
    center.emplace(openSession());
    center->setNotificationCategories(
        {{"ended", {{"run.tarvo.vigilix.add-15-minutes", "Add 15 Minutes"}}}, {"plain", {}}});
    center->setDelegate(delegate);
  }

  PrivateSessionBus bus;
  std::optional<DbusMock> service;
  std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
  std::optional<DBusUserNotificationCenter> center;
};

TEST_F(SdBusUserNotificationCenterTest, NoticesReachTheServiceAndRepeatsReplaceThem) {
  const std::string buttons = "[run.tarvo.vigilix.add-15-minutes, Add 15 Minutes]";
  struct Row {
    const char* name;
    const char* capabilities;
    std::vector<NotificationRequest> requests;
    Calls expected;
  };
  const Row rows[] = {
      {"buttons from the category; a repeat carries the id it replaces",
       kWithActions,
       {request("a", "ended"), request("b", "plain"), request("a", "ended")},
       {notify("0", "Body", buttons), notify("0", "Body", "[]"), notify("1", "Body", buttons)}},
      {"no buttons where the service shows none; markup escaped only where read",
       R"({"capabilities": "body"})",
       {request("a", "ended", "<b> & co")},
       {notify("0", "<b> & co", "[]")}},
      {"markup escaped",
       kWithActions,
       {request("a", "none", "<b> & co")},
       {notify("0", "&lt;b&gt; &amp; co", "[]")}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    startService(row.capabilities);
    setUpCenter();
    std::vector<platform::NotificationError> results;
    for (const auto& each : row.requests) {
      center->addRequest(
          each, [&](const platform::NotificationError& error) { results.push_back(error); });
    }
    ASSERT_TRUE(runMainLoopUntil([&] { return results.size() == row.requests.size(); }));
    EXPECT_EQ(results, std::vector<platform::NotificationError>(row.requests.size()));
    EXPECT_EQ(mockMethodCalls(kService, "Notify"), row.expected);
    center.reset();
    service->kill();  // so the next row's service takes the name
    service.reset();
  }
}

TEST_F(SdBusUserNotificationCenterTest, AnswersFromTheServiceReachTheDelegate) {
  startService();
  setUpCenter();
  center->addRequest(request("ended", "ended"));  // id 1
  center->addRequest(request("other", "plain"));  // id 2
  settle();
  auto emit = [](const char* member, std::uint32_t id, std::uint32_t reason, const char* action) {
    const bool invoked = std::string(member) == "ActionInvoked";
    mockEmitSignal(kService, "org.freedesktop.Notifications", member, invoked ? "us" : "uu",
                   [&](sd_bus_message* m) {
                     return invoked ? sd_bus_message_append(m, "vv", "u", id, "s", action)
                                    : sd_bus_message_append(m, "vv", "u", id, "u", reason);
                   });
  };
  struct Row {
    const char* name;
    const char* member;
    std::uint32_t id;
    std::uint32_t reason;
    const char* action;
    std::optional<NotificationResponse> response;
  };
  const Row rows[] = {
      {"a button", "ActionInvoked", 1, 0, "run.tarvo.vigilix.add-15-minutes",
       NotificationResponse{"run.tarvo.vigilix.add-15-minutes", "ended"}},
      {"closed after the button: no dismissal", "NotificationClosed", 1, 2, "", std::nullopt},
      {"closed, so forgotten", "ActionInvoked", 1, 0, "default", std::nullopt},
      {"an id not ours", "ActionInvoked", 7, 0, "default", std::nullopt},
      {"dismissed by the user", "NotificationClosed", 2, 2, "",
       NotificationResponse{"dismiss", "other"}},
  };
  std::vector<NotificationResponse> expected;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    emit(row.member, row.id, row.reason, row.action);
    if (row.response) expected.push_back(*row.response);
  }
  // Another process's signal is not the service's, even with an id it gave.
  center->addRequest(request("third", "plain"));  // id 3
  settle();
  TestChildProcess spoof(
      {"/usr/bin/dbus-send", "--session", "--type=signal", "/org/freedesktop/Notifications",
       "org.freedesktop.Notifications.ActionInvoked", "uint32:3", "string:default"},
      bus.folder() / "spoof.log");
  EXPECT_EQ(spoof.wait(), 0);
  emit("ActionInvoked", 3, 0, "marker");
  expected.push_back({"marker", "third"});
  ASSERT_TRUE(runMainLoopUntil([&] { return delegate->responses.size() >= expected.size(); }));
  EXPECT_EQ(delegate->responses, expected);
  EXPECT_EQ(center->shownIdentifiers(), std::vector<std::string>{"third"});
}

TEST_F(SdBusUserNotificationCenterTest, RemovalClosesWhatWasShownAndDropsWhatWasNot) {
  startService();
  setUpCenter();
  center->addRequest(request("a", "plain"));  // id 1, in flight
  center->addRequest(request("b", "plain"));  // id 2, queued
  center->addRequest(request("never", "plain"));
  center->removePendingNotificationRequests({"never"});
  center->removeDeliveredNotifications({"a", "unknown"});
  settle();
  EXPECT_EQ(center->shownIdentifiers(), std::vector<std::string>{"b"});
  center->removeAllDeliveredNotifications();
  settle();
  EXPECT_TRUE(center->shownIdentifiers().empty());
  EXPECT_EQ(mockMethodCalls(kService, "Notify").size(), 2u);
  EXPECT_EQ(mockMethodCalls(kService, "CloseNotification"), (Calls{{"1"}, {"2"}}));
}

TEST_F(SdBusUserNotificationCenterTest, WithoutAServiceNoticesAreLoggedAndAuthorizationWaits) {
  CapturedLog log;
  setUpCenter();
  std::optional<platform::NotificationError> added;
  std::optional<bool> granted;
  platform::NotificationError authorizationError;
  std::optional<platform::AuthorizationStatus> status;
  center->addRequest(request("logged", "plain"));
  center->addRequest(request("handed", "plain"),
                     [&](const platform::NotificationError& error) { added = error; });
  center->requestAuthorization([&](bool answer, const platform::NotificationError& error) {
    granted = answer;
    authorizationError = error;
  });
  center->getAuthorizationStatus([&](platform::AuthorizationStatus answer) { status = answer; });
  ASSERT_TRUE(runMainLoopUntil([&] { return added && granted && status; }));
  EXPECT_TRUE(
      log.containsFragment("Notice logged not shown: org.freedesktop.DBus.Error.ServiceUnknown"));
  ASSERT_TRUE(added->has_value());
  EXPECT_TRUE(added->value().starts_with("org.freedesktop.DBus.Error.ServiceUnknown"));
  EXPECT_FALSE(*granted);
  EXPECT_EQ(authorizationError, std::nullopt) << "no service is an answer, not a failure";
  EXPECT_EQ(*status, platform::AuthorizationStatus::notDetermined);
  // A service that starts later is used.
  startService();
  bool shown = false;
  center->addRequest(request("later", "plain"),
                     [&](const platform::NotificationError& error) { shown = !error; });
  ASSERT_TRUE(runMainLoopUntil([&] { return shown; }));
}

TEST_F(SdBusUserNotificationCenterTest, AServiceStartedAfreshIsSentNoIdOfTheOldOne) {
  startService();
  setUpCenter();
  center->addRequest(request("a", "plain"));
  settle();
  service->kill();
  startService();
  // Its ids start again at 1: the old one would name whatever it shows first.
  center->addRequest(request("a", "plain"));
  settle();
  EXPECT_EQ(mockMethodCalls(kService, "Notify"), (Calls{notify("0", "Body", "[]")}));
}

TEST(LiveUserNotificationCenterTest, UsesTheSessionBusWhenThereIsOneAndSaysWhenThereIsNone) {
  for (const bool sessionBus : {false, true}) {
    SCOPED_TRACE(sessionBus ? "a session bus" : "no session bus");
    CapturedLog log;
    std::optional<PrivateSessionBus> bus;
    std::optional<AbsentBus> absent;
    if (sessionBus) {
      bus.emplace();
    } else {
      absent.emplace(BusKind::Session);
    }
    const auto center = platform::makeLiveUserNotificationCenter();
    EXPECT_EQ(dynamic_cast<DBusUserNotificationCenter*>(center.get()) != nullptr, sessionBus);
    EXPECT_EQ(log.containsFragment("No session bus (cannot connect to the session bus"),
              !sessionBus);
  }
}

}  // namespace
}  // namespace vigilix::testing
