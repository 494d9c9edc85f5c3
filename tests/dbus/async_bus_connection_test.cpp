// The main loop's bus connection against peers on a private session bus.
#include "platform/dbus/async_bus_connection.h"

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "dbus/main_loop_waiting.h"
#include "dbus/private_bus.h"
#include "dbus/raw_arguments.h"
#include "dbus/test_peer.h"
#include "platform/buswire/match_rule.h"
#include "platform/runloop/dispatch_queue.h"
#include "testing/absent_bus.h"
#include "testing/captured_log.h"

namespace vigilix::testing {
namespace {

using platform::AsyncBusConnection;
using platform::BusKind;
using platform::BusReply;
using platform::BusSlot;

int echo(sd_bus_message* message, void*, sd_bus_error*) {
  const char* text = nullptr;
  const int result = sd_bus_message_read(message, "s", &text);
  if (result < 0) return result;
  return sd_bus_reply_method_return(message, "s", text);
}

int refuse(sd_bus_message*, void*, sd_bus_error* error) {
  return sd_bus_error_set(error, "run.tarvo.vigilix.Test.Refused", "not today");
}

int neverAnswer(sd_bus_message*, void*, sd_bus_error*) { return 1; }

const sd_bus_vtable kPeerVTable[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_METHOD("Echo", "s", "s", echo, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Refuse", "", "", refuse, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("NeverAnswer", "", "", neverAnswer, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

// The reply's string, or the error's description.
struct Answer {
  std::string text;
  bool onMainThread = false;
};

Answer answerOf(const BusReply& reply) {
  Answer answer{.text = {}, .onMainThread = platform::DispatchQueue::isMainThread()};
  if (!reply) {
    answer.text = reply.error().description();
  } else {
    const char* text = nullptr;
    answer.text = sd_bus_message_read(reply->raw(), "s", &text) >= 0 ? text : "(no string)";
  }
  return answer;
}

class AsyncBusConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(object.has_value()) << object.error().description();
    ASSERT_TRUE(ownPeerName(*peer));
  }

  std::optional<PrivateSessionBus> bus{std::in_place};
  std::unique_ptr<AsyncBusConnection> caller = openSessionConnection();
  std::unique_ptr<AsyncBusConnection> peer = openSessionConnection();
  std::expected<BusSlot, platform::BusError> object =
      peer->addObject(kPeerPath, kPeerInterface, kPeerVTable, nullptr);
};

TEST_F(AsyncBusConnectionTest, CallsAnswerOnTheMainThread) {
  struct Row {
    const char* name;
    const char* destination;
    const char* member;
    std::uint64_t timeoutMicroseconds;
    std::string expected;
  };
  const Row rows[] = {
      {"answered", kPeerName, "Echo", 0, "hello"},
      {"refused by the peer", kPeerName, "Refuse", 0, "run.tarvo.vigilix.Test.Refused: not today"},
      {"nobody owns the name", "run.tarvo.vigilix.Nobody", "Echo", 0,
       "org.freedesktop.DBus.Error.ServiceUnknown"},
      {"no answer before the timeout", kPeerName, "NeverAnswer", 100'000,
       "org.freedesktop.DBus.Error.NoReply"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::optional<Answer> answer;
    const bool takesText = std::string(row.member) == "Echo";
    auto call = caller->callAsync(
        {row.destination, kPeerPath, kPeerInterface, row.member},
        rawArguments([&](sd_bus_message* m) {
          return takesText ? sd_bus_message_append(m, "s", "hello") : 0;
        }),
        [&](const BusReply& reply) { answer = answerOf(reply); }, row.timeoutMicroseconds);
    ASSERT_TRUE(call.has_value()) << call.error().description();
    ASSERT_TRUE(runMainLoopUntil([&] { return answer.has_value(); }));
    EXPECT_EQ(answer->text.substr(0, row.expected.size()), row.expected);
    EXPECT_TRUE(answer->onMainThread);
  }
}

TEST_F(AsyncBusConnectionTest, AMatchReceivesItsSignalsUntilDropped) {
  auto emit = [&](const char* what) {
    const auto sent = peer->emitSignal(
        {kPeerPath, kPeerInterface, "Happened"},
        rawArguments([&](sd_bus_message* m) { return sd_bus_message_append(m, "s", what); }));
    EXPECT_TRUE(sent.has_value());
  };
  auto record = [](std::vector<std::string>& into) {
    return [&into](platform::BusArgumentReader& signal) {
      const char* what = nullptr;
      if (sd_bus_message_read(signal.raw(), "s", &what) >= 0) into.emplace_back(what);
    };
  };
  platform::SignalMatch match{.sender = {},
                              .path = kPeerPath,
                              .interface = kPeerInterface,
                              .member = "Happened",
                              .arg0 = std::nullopt};
  std::vector<std::string> everything;
  std::vector<std::string> wanted;
  int installed = 0;
  auto onInstalled = [&](const BusReply& reply) { installed += reply.has_value() ? 1 : 100; };
  auto all = caller->addMatch(*platform::signalMatchRule(match), record(everything), onInstalled);
  match.arg0 = "wanted, really";  // a comma must not end the value
  auto filtered = caller->addMatch(*platform::signalMatchRule(match), record(wanted), onInstalled);
  ASSERT_TRUE(all.has_value() && filtered.has_value());
  ASSERT_TRUE(runMainLoopUntil([&] { return installed >= 2; }));
  ASSERT_EQ(installed, 2);

  emit("unwanted");
  emit("wanted, really");
  ASSERT_TRUE(runMainLoopUntil([&] { return everything.size() == 2; }));
  *filtered = BusSlot();
  emit("wanted, really");
  // The catch-all match hears this one after the one dropped would have.
  ASSERT_TRUE(runMainLoopUntil([&] { return everything.size() == 3; }));
  EXPECT_EQ(wanted, std::vector<std::string>{"wanted, really"});
}

TEST_F(AsyncBusConnectionTest, ABusThatGoesAwayAnswersPendingCallsAndIsReported) {
  CapturedLog log;
  std::optional<Answer> answer;
  auto call = caller->callAsync({kPeerName, kPeerPath, kPeerInterface, "NeverAnswer"}, nullptr,
                                [&](const BusReply& reply) { answer = answerOf(reply); });
  ASSERT_TRUE(call.has_value());
  ASSERT_TRUE(runMainLoopUntil([&] { return caller->isConnected(); }));
  bus.reset();
  ASSERT_TRUE(runMainLoopUntil([&] { return answer.has_value(); }));
  EXPECT_FALSE(answer->text.empty());
  EXPECT_FALSE(caller->isConnected());
  EXPECT_TRUE(log.containsFragment("The session bus connection ended"));
}

// The loss is heard whether the handler came before it or only after, as
// when the bus goes while the program is still starting.
TEST_F(AsyncBusConnectionTest, ALossIsHeardOnceWheneverItsHandlerCame) {
  int heardBefore = 0;
  int heardAfter = 0;
  caller->setOnLost([&] { ++heardBefore; });
  ASSERT_TRUE(runMainLoopUntil([&] { return caller->isConnected(); }));
  bus.reset();
  ASSERT_TRUE(runMainLoopUntil([&] { return heardBefore == 1; }));
  ASSERT_TRUE(runMainLoopUntil([&] { return !peer->isConnected(); }));
  (void)runMainLoopUntil([] { return false; }, std::chrono::milliseconds(200));
  peer->setOnLost([&] { ++heardAfter; });
  ASSERT_TRUE(runMainLoopUntil([&] { return heardAfter == 1; }));
  EXPECT_FALSE(runMainLoopUntil([&] { return heardBefore + heardAfter > 2; },
                                std::chrono::milliseconds(200)));
}

TEST(AsyncBusConnectionWithoutBusTest, OpeningFailsWithAClearError) {
  struct Row {
    const char* name;
    BusKind kind;
    const char* expected;
  };
  const Row rows[] = {
      {"session", BusKind::Session, "cannot connect to the session bus: No such file or directory"},
      {"system", BusKind::System, "cannot connect to the system bus: No such file or directory"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    AbsentBus absent(row.kind);
    const auto async = AsyncBusConnection::open(row.kind);
    ASSERT_FALSE(async.has_value());
    EXPECT_EQ(async.error().description(), row.expected);
    EXPECT_EQ(async.error().code, ENOENT);
    const auto blocking = platform::BusConnection::open(row.kind);
    ASSERT_FALSE(blocking.has_value());
    EXPECT_EQ(blocking.error(), async.error());
  }
}

}  // namespace
}  // namespace vigilix::testing
