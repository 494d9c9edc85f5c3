// The built program under a private session bus and a private system bus
// with a mock logind, driven from outside as a shell would drive it.
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "app/app_end_to_end_fixture.h"
#include "dbus/main_loop_waiting.h"
#include "platform/dbus/async_bus_connection.h"
#include "platform/defaults/live_user_defaults.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/sd_bus_notification_center.h"

namespace vigilix::testing {
namespace {

constexpr const char* kRequestName = "run.tarvo.vigilix.cli.request";
constexpr const char* kReplyName = "run.tarvo.vigilix.cli.reply";

class AppEndToEndTest : public AppEndToEndFixture {
 protected:
  ~AppEndToEndTest() override { app_.reset(); }

  void SetUp() override {
    auto connection = platform::AsyncBusConnection::open(platform::BusKind::Session);
    ASSERT_TRUE(connection) << connection.error().description();
    connection_ = std::move(*connection);
    center_ = std::make_unique<platform::SdBusNotificationCenter>(connection_);
    replyObserver_ = center_->addObserver(
        kReplyName, [this](const std::string&, const std::optional<std::string>& object) {
          if (object) replies_.push_back(nlohmann::json::parse(*object, nullptr, false));
        });
    startApplication();
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

  std::shared_ptr<platform::AsyncBusConnection> connection_;
  std::unique_ptr<platform::SdBusNotificationCenter> center_;
  platform::ObserverHandle replyObserver_;
  std::vector<nlohmann::json> replies_;
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
  EXPECT_TRUE(waitUntil([&] { return listedInhibitors().find("Vigilix: ") != std::string::npos; }))
      << listedInhibitors() << readFile(home_ / "app.log");
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

}  // namespace
}  // namespace vigilix::testing
