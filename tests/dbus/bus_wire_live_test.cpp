// The sd-bus-free client against a real dbus-daemon and sd-bus peers on a private session bus.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dbus/answering_bus.h"
#include "dbus/main_loop_waiting.h"
#include "dbus/private_bus.h"
#include "dbus/test_child_process.h"
#include "platform/buswire/bus_wire_connection.h"
#include "platform/buswire/posted_exchange.h"
#include "platform/dbus/bus_opening.h"
#include "platform/notifications/dbus_notification_center.h"
#include "testing/scoped_environment.h"

namespace vigilix::testing {
namespace {

using platform::BusWireConnection;
using platform::WireArgument;
using platform::WireMessage;
using Clock = BusWireConnection::Clock;

constexpr const char* kRequest = "run.tarvo.vigilix.cli.request";
constexpr const char* kReply = "run.tarvo.vigilix.cli.reply";
constexpr auto kSignal = static_cast<std::uint8_t>(platform::WireMessageType::Signal);

}  // namespace
}  // namespace vigilix::testing

namespace vigilix::platform {
void PrintTo(const WireMessage& message, std::ostream* os) {
  *os << "type " << int(message.type) << " " << message.path << " " << message.interface << "."
      << message.member << " from " << message.sender << " (" << message.signature << "):";
  for (const WireArgument& argument : message.arguments) {
    std::visit([&](const auto& value) { *os << " " << value; }, argument);
  }
}
}  // namespace vigilix::platform

namespace vigilix::testing {
namespace {

// The next signal of `interface`, passing over the bus's own (NameAcquired).
std::optional<WireMessage> nextSignal(BusWireConnection& connection, const std::string& interface,
                                      Clock::time_point deadline) {
  while (true) {
    auto read = connection.read(deadline);
    if (!read || !*read) return std::nullopt;
    if ((**read).interface == interface) return std::move(**read);
  }
}

std::unique_ptr<BusWireConnection> openWire() {
  auto connection = BusWireConnection::openSession();
  if (!connection) throw std::runtime_error(connection.error().description());
  if (auto opened = (*connection)->awaitOpening(); !opened) {
    throw std::runtime_error(opened.error().description());
  }
  return std::move(*connection);
}

void addMatch(BusWireConnection& connection, const std::string& rule) {
  const auto added = connection.call(platform::busDaemonCall("AddMatch", "s", {rule}));
  ASSERT_TRUE(added.has_value()) << added.error().description();
}

// What an sd-bus peer reads from a message, as the wire client's fields.
WireMessage readWithSdBus(sd_bus_message* message) {
  WireMessage out;
  uint8_t type = 0;
  sd_bus_message_get_type(message, &type);
  out.type = type;
  auto text = [](const char* value) { return std::string(value != nullptr ? value : ""); };
  out.path = text(sd_bus_message_get_path(message));
  out.interface = text(sd_bus_message_get_interface(message));
  out.member = text(sd_bus_message_get_member(message));
  out.sender = text(sd_bus_message_get_sender(message));
  out.signature = text(sd_bus_message_get_signature(message, 1));
  for (const char type : out.signature) {
    if (type == 'b') {
      int value = 0;
      sd_bus_message_read_basic(message, type, &value);
      out.arguments.emplace_back(value != 0);
    } else if (type == 'u') {
      std::uint32_t value = 0;
      sd_bus_message_read_basic(message, type, &value);
      out.arguments.emplace_back(value);
    } else {
      const char* value = nullptr;
      sd_bus_message_read_basic(message, type, &value);
      out.arguments.emplace_back(text(value));
    }
  }
  return out;
}

int appendWithSdBus(sd_bus_message* message, const WireMessage& from) {
  for (std::size_t i = 0; i < from.signature.size(); ++i) {
    const char type = from.signature[i];
    const WireArgument& argument = from.arguments[i];
    int result = 0;
    if (type == 'b') {
      const int value = std::get<bool>(argument) ? 1 : 0;
      result = sd_bus_message_append_basic(message, type, &value);
    } else if (type == 'u') {
      result = sd_bus_message_append_basic(message, type, &std::get<std::uint32_t>(argument));
    } else {
      result = sd_bus_message_append_basic(message, type, std::get<std::string>(argument).c_str());
    }
    if (result < 0) return result;
  }
  return 0;
}

TEST(BusWireLiveTest, MessagesCrossBetweenTheWireClientAndSdBusBothWays) {
  PrivateSessionBus bus;
  auto peer = platform::openBus(platform::BusKind::Session);
  ASSERT_TRUE(peer.has_value());
  const char* peerName = nullptr;
  ASSERT_GE(sd_bus_get_unique_name(peer->get(), &peerName), 0);
  auto wire = openWire();
  addMatch(*wire, "type='signal',interface='org.example.Check'");
  std::vector<WireMessage> heardBySdBus;
  sd_bus_slot* slot = nullptr;
  ASSERT_GE(sd_bus_add_match(
                peer->get(), &slot,
                ("type='signal',interface='org.example.Check',sender='" + wire->uniqueName() + "'")
                    .c_str(),
                [](sd_bus_message* message, void* into, sd_bus_error*) {
                  static_cast<std::vector<WireMessage>*>(into)->push_back(readWithSdBus(message));
                  return 0;
                },
                &heardBySdBus),
            0);

  struct Row {
    const char* name;
    std::string signature;
    std::vector<WireArgument> arguments;
  };
  const Row rows[] = {
      {"no body", "", {}},
      {"one text", "s", {"run.tarvo.vigilix.cli.request"}},
      {"a post with its object", "ss", {kReply, "{\"v\":2,\"id\":\"é, ü\"}"}},
      {"a boolean", "b", {true}},
      {"a number", "u", {std::uint32_t{4000000000u}}},
      {"every type read", "sobgu", {"", "/a/b_c", false, "a{sv}", std::uint32_t{0}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const WireMessage expected{.type = kSignal,
                               .path = "/org/example/Check",
                               .interface = "org.example.Check",
                               .member = "Checked",
                               .signature = row.signature,
                               .arguments = row.arguments};
    // sd-bus seals it; the wire client reads it.
    sd_bus_message* sealed = nullptr;
    ASSERT_GE(sd_bus_message_new_signal(peer->get(), &sealed, expected.path.c_str(),
                                        expected.interface.c_str(), expected.member.c_str()),
              0);
    ASSERT_GE(appendWithSdBus(sealed, expected), 0);
    ASSERT_GE(sd_bus_send(peer->get(), sealed, nullptr), 0);
    sd_bus_message_unref(sealed);
    const auto read =
        nextSignal(*wire, expected.interface, Clock::now() + std::chrono::seconds(10));
    ASSERT_TRUE(read.has_value());
    WireMessage received = *read;
    EXPECT_EQ(received.sender, peerName);
    EXPECT_NE(received.serial, 0u);
    received.serial = 0;
    received.sender.clear();
    received.flags = 0;
    EXPECT_EQ(received, expected);

    // The wire client encodes it; sd-bus reads it.
    heardBySdBus.clear();
    ASSERT_TRUE(wire->send(expected).has_value());
    ASSERT_TRUE(waitUntil([&] {
      while (sd_bus_process(peer->get(), nullptr) > 0) {
      }
      return !heardBySdBus.empty();
    }));
    WireMessage expectedBySdBus = expected;
    expectedBySdBus.sender = wire->uniqueName();
    EXPECT_EQ(heardBySdBus.front(), expectedBySdBus);
    // Its own broadcast comes back to the wire client too, as to any match.
    ASSERT_TRUE(
        nextSignal(*wire, expected.interface, Clock::now() + std::chrono::seconds(10)).has_value());
  }
  sd_bus_slot_unref(slot);
}

TEST(BusWireLiveTest, ACallWaitsForItsOwnReplyAndKeepsTheSignalsThatCameFirst) {
  PrivateSessionBus bus;
  auto wire = openWire();
  EXPECT_TRUE(wire->uniqueName().starts_with(":"));
  addMatch(*wire, "type='signal',interface='org.example.Kept'");
  WireMessage kept{.type = kSignal, .path = "/k", .interface = "org.example.Kept", .member = "K"};
  ASSERT_TRUE(wire->send(kept).has_value());
  // The bus handles one connection's messages in order: the signal comes back before the reply.
  const auto owner =
      wire->call(platform::busDaemonCall("GetNameOwner", "s", {std::string("org.example.None")}));
  ASSERT_FALSE(owner.has_value());
  EXPECT_EQ(owner.error().name, "org.freedesktop.DBus.Error.NameHasNoOwner");
  EXPECT_FALSE(owner.error().message.empty());
  const auto read = nextSignal(*wire, "org.example.Kept", Clock::now());
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->member, "K");
  EXPECT_EQ(nextSignal(*wire, "org.example.Kept", Clock::now()), std::nullopt);
}

TEST(BusWireLiveTest, QueuedCallsAreAnsweredInWhateverOrderTheirRepliesAreAwaited) {
  PrivateSessionBus bus;
  auto opened = BusWireConnection::openSession();
  ASSERT_TRUE(opened.has_value());
  BusWireConnection& wire = **opened;
  auto ask = [&](const char* name) {
    const auto serial =
        wire.queue(platform::busDaemonCall("NameHasOwner", "s", {std::string(name)}));
    EXPECT_TRUE(serial.has_value());
    return serial.value_or(0);
  };
  const std::uint32_t daemon = ask("org.freedesktop.DBus");
  const std::uint32_t nobody = ask("org.example.Nobody");
  const auto id = wire.queue(platform::busDaemonCall("GetId", "", {}));
  ASSERT_TRUE(id.has_value());
  // Awaiting the last reply first keeps the two that come before it.
  const auto idReply = wire.awaitReply(*id);
  ASSERT_TRUE(idReply.has_value()) << idReply.error().description();
  EXPECT_EQ(idReply->signature, "s");
  EXPECT_TRUE(wire.uniqueName().starts_with(":"));
  for (const auto& [serial, owned] : {std::pair{nobody, false}, std::pair{daemon, true}}) {
    const auto reply = wire.awaitReply(serial, Clock::now() + std::chrono::seconds(10));
    ASSERT_TRUE(reply.has_value()) << reply.error().description();
    EXPECT_EQ(reply->arguments, std::vector<WireArgument>{owned});
  }
  // A reply once taken is not there a second time.
  EXPECT_FALSE(wire.awaitReply(daemon, Clock::now()).has_value());
}

TEST(BusWireLiveTest, OpensTheFirstSocketThatAnswersAndSaysWhyWhenNoneDoes) {
  PrivateSessionBus bus;
  const std::string missing = "unix:path=" + (bus.folder() / "missing").string();
  struct Row {
    const char* name;
    std::optional<std::string> address;
    std::optional<std::string> runtimeDir;
    std::string error;  // empty: it connects
  };
  const Row rows[] = {
      {"the bus's address", bus.address(), std::nullopt, ""},
      {"a dead entry before it", missing + ";tcp:host=x,port=1;" + bus.address(), std::nullopt, ""},
      {"the runtime folder's bus", std::nullopt, bus.folder().string(), ""},
      {"no socket there", missing, std::nullopt,
       "cannot connect to the session bus: No such file or directory"},
      {"no entry usable", "tcp:host=x,port=1", std::nullopt,
       "cannot connect to the session bus (DBUS_SESSION_BUS_ADDRESS names no unix socket)"},
      {"nothing set", std::nullopt, std::nullopt, "neither DBUS_SESSION_BUS_ADDRESS nor"},
  };
  // The runtime folder's "bus" is a link to the private bus's socket.
  const auto socket = bus.address().substr(std::string("unix:path=").size());
  std::filesystem::create_symlink(socket, bus.folder() / "bus");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScopedEnvironment environment;
    environment.set("DBUS_SESSION_BUS_ADDRESS", row.address);
    environment.set("XDG_RUNTIME_DIR", row.runtimeDir);
    const auto opened = BusWireConnection::openSession();
    if (row.error.empty()) {
      ASSERT_TRUE(opened.has_value()) << opened.error().description();
      const auto answered = (*opened)->awaitOpening();
      EXPECT_TRUE(answered.has_value()) << answered.error().description();
    } else {
      ASSERT_FALSE(opened.has_value());
      EXPECT_NE(opened.error().description().find(row.error), std::string::npos)
          << opened.error().description();
    }
  }
}

TEST(BusWireLiveTest, ABusThatRefusesOrAnswersNonsenseIsAnErrorThatSaysSo) {
  PrivateSessionBus bus;  // for its fresh folder
  struct Row {
    const char* name;
    std::string answer;
    std::string error;
  };
  const Row rows[] = {
      {"authentication refused", "REJECTED EXTERNAL\r\n", "refused this user"},
      {"closed after the authentication", "OK 0123456789abcdef0123456789abcdef\r\n", "went away"},
      {"closed at once", "", "went away"},
      {"no message after the authentication",
       "OK 0123456789abcdef0123456789abcdef\r\n" + std::string(16, 'x'), "byte order"},
  };
  const std::string authentication = std::string(1, '\0') + "AUTH EXTERNAL " + [] {
    std::string hex;
    for (const char c : std::to_string(geteuid())) hex += "3" + std::string(1, c);
    return hex;
  }() + "\r\nBEGIN\r\n";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto sent = answerOnce(bus.folder() / "fake", row.answer, [&] {
      const auto opened = BusWireConnection::open({{(bus.folder() / "fake").string()}});
      ASSERT_TRUE(opened.has_value());
      const auto first = (*opened)->queue(platform::busDaemonCall("GetId", "", {}));
      ASSERT_TRUE(first.has_value());
      const auto answered = (*opened)->awaitReply(*first);
      ASSERT_FALSE(answered.has_value());
      EXPECT_NE(answered.error().description().find(row.error), std::string::npos)
          << answered.error().description();
      EXPECT_NE(answered.error().description().find("session bus"), std::string::npos);
      // Once broken, it stays so.
      EXPECT_FALSE((*opened)->call(platform::busDaemonCall("GetId", "", {})).has_value());
    });
    EXPECT_TRUE(sent.starts_with(authentication)) << sent;
    // The first call went out with the opening, before the bus had answered anything.
    EXPECT_NE(sent.find("GetId"), std::string::npos);
  }
}

class PostedExchangeLiveTest : public ::testing::Test {
 protected:
  // Runs the exchange on a thread of its own while the main loop serves the application's side.
  std::optional<std::string> exchangeBeside(platform::PostedExchange& exchange,
                                            const std::string& request, double timeout) {
    return exchangeBeside(exchange, request, {"org.freedesktop.DBus", timeout, timeout});
  }
  std::optional<std::string> exchangeBeside(platform::PostedExchange& exchange,
                                            const std::string& request,
                                            const platform::PostedExchange::Wait& wait) {
    std::atomic<bool> done = false;
    std::optional<std::string> reply;
    std::thread tool([&] {
      reply = exchange.exchange(
          kRequest, request, [](const std::string& text) { return text.starts_with("ok"); }, wait);
      done = true;
    });
    const bool ended = runMainLoopUntil([&] { return done.load(); }, std::chrono::seconds(60));
    if (!ended) bus.stop();  // so that a failure ends rather than hangs
    tool.join();
    EXPECT_TRUE(ended);
    return reply;
  }

  // Once the bus has answered a call sent after them, the application's matches are in place:
  // it handles one connection's messages in order.
  void settle() {
    bool answered = false;
    auto call = appConnection->callAsync(
        {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId"}, nullptr,
        [&](const platform::BusReply&) { answered = true; });
    ASSERT_TRUE(call.has_value());
    ASSERT_TRUE(runMainLoopUntil([&] { return answered; }));
  }

  PrivateSessionBus bus;
  std::shared_ptr<platform::AsyncBusConnection> appConnection = openSessionConnection();
  platform::DBusNotificationCenter app{appConnection};
};

TEST_F(PostedExchangeLiveTest, TheFirstAcceptedReplyOfTheReplyNameIsTheAnswer) {
  using Post = std::pair<std::string, std::optional<std::string>>;
  struct Row {
    const char* name;
    std::vector<Post> replies;
    std::optional<std::string> answer;
  };
  const Row rows[] = {
      {"an accepted reply", {{kReply, "ok 1"}}, "ok 1"},
      {"replies turned down are passed over", {{kReply, "no"}, {kReply, "ok 2"}}, "ok 2"},
      {"other names and posts without an object are ignored",
       {{"run.tarvo.vigilix.other", "ok x"}, {kReply, std::nullopt}, {kReply, "ok 3"}},
       "ok 3"},
      {"no reply before the deadline", {}, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto exchange = platform::PostedExchange::open(kReply);
    ASSERT_TRUE(exchange.has_value()) << exchange.error().description();
    std::vector<std::string> requests;
    auto token = app.addObserver(kRequest,
                                 [&](const std::string&, const std::optional<std::string>& object) {
                                   requests.push_back(object.value_or(""));
                                   for (const Post& post : row.replies)
                                     app.post(post.first, post.second);
                                 });
    settle();
    const double timeout = row.replies.empty() ? 0.3 : 60;
    EXPECT_EQ(exchangeBeside(**exchange, row.name, timeout), row.answer);
    EXPECT_EQ(requests, std::vector<std::string>{row.name});
  }
}

// The wait that would lose the reply is none at all; the reply comes a moment after the request.
TEST_F(PostedExchangeLiveTest, TheWaitFollowsWhetherTheAnswerersNameHasAnOwner) {
  auto holder = platform::openBus(platform::BusKind::Session);
  ASSERT_TRUE(holder.has_value());
  ASSERT_GE(sd_bus_request_name(holder->get(), "org.example.Held", 0), 0);
  struct Row {
    const char* name;
    const char* answerer;
    bool owned;
  };
  const Row rows[] = {
      {"the bus itself", "org.freedesktop.DBus", true},
      {"a name a peer holds", "org.example.Held", true},
      {"a name nobody holds", "org.example.Nobody", false},
      {"not a bus name", "not a name", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto exchange = platform::PostedExchange::open(kReply);
    ASSERT_TRUE(exchange.has_value());
    auto token =
        app.addObserver(kRequest, [&](const std::string&, const std::optional<std::string>&) {
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
          app.post(kReply, "ok");
        });
    settle();
    const platform::PostedExchange::Wait wait{row.answerer, row.owned ? 60.0 : 0.0,
                                              row.owned ? 0.0 : 60.0};
    EXPECT_EQ(exchangeBeside(**exchange, row.name, wait), "ok");
  }
}

// open() sends the opening and the match and returns before the bus has answered; a bus that
// then refuses fails the exchange, and says why.
TEST(PostedExchangeRefusedTest, OpeningDoesNotWaitAndARefusalFailsTheExchangeSayingWhy) {
  PrivateSessionBus bus;  // for its fresh folder
  struct Row {
    const char* name;
    std::string answer;
    std::string failure;
  };
  const Row rows[] = {
      {"authentication refused", "REJECTED EXTERNAL\r\n", "refused this user"},
      {"closed after the authentication", "OK 0123456789abcdef0123456789abcdef\r\n", "went away"},
  };
  const auto fake = bus.folder() / "fake";
  ScopedEnvironment environment;
  environment.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + fake.string());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::promise<void> opened;
    std::future<void> openedFuture = opened.get_future();
    std::atomic<bool> answered = false;
    const auto sent = answerOnce(
        fake, row.answer,
        [&] {
          auto exchange = platform::PostedExchange::open(kReply);
          EXPECT_FALSE(answered.load());
          opened.set_value();
          ASSERT_TRUE(exchange.has_value()) << exchange.error().description();
          EXPECT_EQ((*exchange)->failure(), std::nullopt);
          const auto accept = [](const std::string&) { return true; };
          EXPECT_EQ((*exchange)->exchange(kRequest, "{}", accept, {"org.example.App", 60, 60}),
                    std::nullopt);
          const auto failure = (*exchange)->failure();
          ASSERT_TRUE(failure.has_value());
          EXPECT_NE(failure->description().find(row.failure), std::string::npos)
              << failure->description();
          EXPECT_EQ((*exchange)->exchange(kRequest, "{}", accept, {"org.example.App", 60, 60}),
                    std::nullopt);
        },
        [&] {
          // Long enough for any machine; a wrong open() would make the test slow, not hang it.
          (void)openedFuture.wait_for(std::chrono::seconds(30));
          answered = true;
        });
    EXPECT_NE(sent.find("AddMatch"), std::string::npos);
  }
}

TEST_F(PostedExchangeLiveTest, ABusThatGoesAwayMidWaitEndsTheWaitWithNoAnswer) {
  auto exchange = platform::PostedExchange::open(kReply);
  ASSERT_TRUE(exchange.has_value());
  bool stopped = false;
  auto token =
      app.addObserver(kRequest, [&](const std::string&, const std::optional<std::string>&) {
        if (!stopped) bus.stop();
        stopped = true;
      });
  settle();
  // Far longer than the test may run: only the bus's going ends the wait.
  EXPECT_EQ(exchangeBeside(**exchange, "{}", 3600), std::nullopt);
  EXPECT_TRUE(stopped);
  EXPECT_EQ((*exchange)->exchange(kRequest, "{}", [](const std::string&) { return true; },
                                  {"org.freedesktop.DBus", 3600, 3600}),
            std::nullopt);
}

}  // namespace
}  // namespace vigilix::testing
