// The built program under a private session bus and a private system bus
// with a mock logind, driven from outside as a shell would drive it.
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "dbus/dbus_mock.h"
#include "dbus/main_loop_waiting.h"
#include "dbus/mock_logind_test_fixture.h"
#include "dbus/private_bus.h"
#include "dbus/test_child_process.h"
#include "platform/dbus/async_bus_connection.h"
#include "platform/defaults/live_user_defaults.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/sd_bus_notification_center.h"
#include "testing/scoped_environment.h"
#include "testing/temporary_folder.h"

namespace vigilix::testing {
namespace {

constexpr const char* kRequestName = "run.tarvo.vigilix.cli.request";
constexpr const char* kReplyName = "run.tarvo.vigilix.cli.reply";

class AppEndToEndTest : public ::testing::Test {
 protected:
  AppEndToEndTest()
      : home_(makeTemporaryFolder("vigilix-e2e-home")),
        homeVariable_("HOME", home_.string()),
        configVariable_("XDG_CONFIG_HOME", (home_ / ".config").string()),
        stateVariable_("XDG_STATE_HOME", (home_ / ".local/state").string()),
        logind_(systemBus_, logindInhibitTemplate(), "org.freedesktop.login1") {}

  ~AppEndToEndTest() override {
    app_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
  }

  void SetUp() override {
    auto connection = platform::AsyncBusConnection::open(platform::BusKind::Session);
    ASSERT_TRUE(connection) << connection.error().description();
    connection_ = std::move(*connection);
    center_ = std::make_unique<platform::SdBusNotificationCenter>(connection_);
    replyObserver_ = center_->addObserver(
        kReplyName, [this](const std::string&, const std::optional<std::string>& object) {
          if (object) replies_.push_back(nlohmann::json::parse(*object, nullptr, false));
        });
    app_.emplace(std::vector<std::string>{VIGILIX_APP_PROGRAM}, home_ / "app.log");
    ASSERT_TRUE(waitUntil([&] { return sessionBus_.hasOwner("run.tarvo.vigilix"); }))
        << readFile(home_ / "app.log");
    // The hub observes requests once it has started, just after it owns the name.
    // Until then (and until this test's own match is in place) a request
    // goes unanswered, so the first one is repeated.
    bool answered = false;
    for (int attempt = 0; attempt < 10 && !answered; ++attempt) {
      const std::string nonce = "start-" + std::to_string(attempt);
      answered = ask(R"({"v":2,"nonce":")" + nonce + R"(","verb":"epoch"})").is_object();
    }
    ASSERT_TRUE(answered) << readFile(home_ / "app.log");
  }

  // Posts `request` with dbus-send and answers the reply to its nonce (null
  // when none came in time).
  nlohmann::json ask(const std::string& request) {
    const std::string nonce = nlohmann::json::parse(request)["nonce"];
    TestChildProcess send({"/usr/bin/dbus-send", "--session", "--type=signal",
                           "/run/tarvo/vigilix/DistributedNotificationCenter",
                           "run.tarvo.vigilix.DistributedNotificationCenter.Posted",
                           std::string("string:") + kRequestName, "string:" + request},
                          home_ / "dbus-send.log");
    nlohmann::json found;
    runMainLoopUntil(
        [&] {
          for (const auto& reply : replies_) {
            if (reply.is_object() && reply.value("nonce", "") == nonce) found = reply;
          }
          return !found.is_null();
        },
        std::chrono::seconds(2));
    return found;
  }

  std::optional<std::string> savedState() const {
    platform::LiveUserDefaults defaults(platform::kStandardDomain, false);
    const auto data = defaults.dataValue("run.tarvo.vigilix.AwakeState");
    if (!data) return std::nullopt;
    return std::string(data->begin(), data->end());
  }

  std::filesystem::path home_;
  ScopedEnvironment homeVariable_;
  ScopedEnvironment configVariable_;
  ScopedEnvironment stateVariable_;
  PrivateSystemBus systemBus_;
  PrivateSessionBus sessionBus_;
  DbusMock logind_;
  std::shared_ptr<platform::AsyncBusConnection> connection_;
  std::unique_ptr<platform::SdBusNotificationCenter> center_;
  platform::ObserverHandle replyObserver_;
  std::vector<nlohmann::json> replies_;
  std::optional<TestChildProcess> app_;
};

TEST_F(AppEndToEndTest, RequestsOnTheSessionBusAreAnswered) {
  const nlohmann::json epoch = ask(R"({"v":2,"nonce":"e1","verb":"epoch"})");
  ASSERT_TRUE(epoch.is_object());
  const nlohmann::json hold = nlohmann::json{
      {"v", 2},     {"nonce", "h1"},    {"verb", "hold"},          {"id", "claude:e2e"},
      {"ttl", 600}, {"tool", "claude"}, {"epoch", epoch["epoch"]}, {"gen", epoch["gen"]}};
  struct Row {
    const char* name;
    std::string request;
    const char* nonce;
  };
  const Row rows[] = {
      {"hold", hold.dump(), "h1"},
      {"release", R"({"v":2,"nonce":"r1","verb":"release","id":"claude:e2e"})", "r1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const nlohmann::json reply = ask(row.request);
    ASSERT_TRUE(reply.is_object()) << readFile(home_ / "app.log");
    EXPECT_EQ(reply["nonce"], row.nonce);
    EXPECT_EQ(reply["status"], "ok") << reply.dump();
  }
}

TEST_F(AppEndToEndTest, AHoldTakesALogindInhibitor) {
  const auto listed = [&] {
    TestChildProcess list(
        {"/usr/bin/busctl", "--system", "call", "org.freedesktop.login1", "/org/freedesktop/login1",
         "org.freedesktop.login1.Manager", "ListInhibitors"},
        home_ / "busctl.log");
    list.wait();
    return readFile(home_ / "busctl.log");
  };
  const nlohmann::json epoch = ask(R"({"v":2,"nonce":"e2","verb":"epoch"})");
  ASSERT_TRUE(epoch.is_object());
  const nlohmann::json hold = nlohmann::json{{"v", 2},
                                             {"nonce", "h2"},
                                             {"verb", "hold"},
                                             {"id", "claude:e2e"},
                                             {"ttl", 600},
                                             {"tool", "claude"},
                                             {"corr", "c1"},
                                             {"seq", 1},
                                             {"epoch", epoch["epoch"]},
                                             {"gen", epoch["gen"]}};
  ASSERT_EQ(ask(hold.dump())["status"], "ok");
  EXPECT_TRUE(waitUntil([&] { return listed().find("Vigilix: ") != std::string::npos; }))
      << listed() << readFile(home_ / "app.log");
}

TEST_F(AppEndToEndTest, SecondLaunchHandsItsAddressToTheRunningInstance) {
  TestChildProcess second({VIGILIX_APP_PROGRAM, "vigilix:///activate?minutes=5"},
                          home_ / "second.log");
  EXPECT_EQ(second.wait(), 0) << readFile(home_ / "second.log");
  std::optional<std::string> state;
  EXPECT_TRUE(waitUntil([&] {
    state = savedState();
    return state && state->find(R"("total":300)") != std::string::npos;
  })) << state.value_or("(no saved state)")
      << "\n"
      << readFile(home_ / "app.log");
  EXPECT_TRUE(app_->running());
}

// `doctor` through the command-line road: every health line after a fresh
// check, and `error` as soon as one line is an error.
TEST_F(AppEndToEndTest, DoctorAnswersEveryHealthLine) {
  const auto hold = [&](const char* nonce) {
    const nlohmann::json epoch =
        ask(R"({"v":2,"nonce":"e-)" + std::string(nonce) + R"(","verb":"epoch"})");
    const nlohmann::json request{
        {"v", 2},     {"nonce", nonce},   {"verb", "hold"},          {"id", "claude:doctor"},
        {"ttl", 600}, {"tool", "claude"}, {"epoch", epoch["epoch"]}, {"gen", epoch["gen"]}};
    ASSERT_EQ(ask(request.dump())["status"], "ok");
  };
  const auto release = [&](const char* nonce) {
    ASSERT_EQ(ask(R"({"v":2,"nonce":")" + std::string(nonce) +
                  R"(","verb":"release","id":"claude:doctor"})")["status"],
              "ok");
  };
  struct Row {
    const char* name;
    std::function<void()> arrange;
    const char* status;
    const char* protection;
    const char* incidents;
  };
  const Row rows[] = {
      {"nothing kept awake", [] {}, "ok", "Not expected", "0 recorded"},
      {"a hold logind lists", [&] { hold("h1"); }, "ok", "Verified", "0 recorded"},
      {"a hold whose lock logind refuses",
       [&] {
         release("r1");
         refuseBlockLocks(true);
         hold("h2");
       },
       "error", "Vigilix couldn't keep your Mac awake", "1 recorded"},
  };
  int asked = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.arrange();
    const std::string nonce = "d" + std::to_string(++asked);
    const nlohmann::json reply = ask(R"({"v":2,"nonce":")" + nonce + R"(","verb":"doctor"})");
    ASSERT_TRUE(reply.is_object()) << readFile(home_ / "app.log");
    EXPECT_EQ(reply["status"], row.status) << reply.dump();
    const auto lines = nlohmann::json::parse(reply.value("doctor", "null"), nullptr, false);
    ASSERT_TRUE(lines.is_array()) << reply.dump();
    std::vector<std::string> titles;
    std::map<std::string, std::string> details;
    for (const auto& line : lines) {
      titles.push_back(line["title"]);
      details[line["title"]] = line["detail"];
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Keep Awake", "Protection", "Keep-Awake Requests",
                                                "Incidents", "Migration", "Managed Settings",
                                                "Closed-lid helper", "AI agent hooks"}));
    EXPECT_EQ(details["Protection"], row.protection);
    EXPECT_EQ(details["Incidents"], row.incidents);
  }
}

}  // namespace
}  // namespace vigilix::testing
