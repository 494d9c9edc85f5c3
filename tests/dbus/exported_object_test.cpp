// An object served from a table, and typed arguments both ways, on a private session bus.
#include "platform/dbus/exported_object.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dbus/main_loop_waiting.h"
#include "dbus/private_bus.h"
#include "dbus/test_peer.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix::testing {
namespace {

using platform::BusArgumentReader;
using platform::BusArgumentWriter;
using platform::BusMethodCall;
using platform::BusReply;
using platform::BusSlot;

// Every type the writer and the reader know, read and written back in one order.
constexpr const char* kMirrored = "sbudasa{sv}";

struct Mirror {
  std::string text;
  bool flag = false;
  std::uint32_t count = 0;
  double number = 0;
  std::vector<std::string> texts;
  bool operator==(const Mirror&) const = default;
};

void write(BusArgumentWriter& out, const Mirror& value) {
  out.string(value.text)
      .boolean(value.flag)
      .uint32(value.count)
      .number(value.number)
      .strings(value.texts)
      .emptyDictionary();
}

Mirror read(BusArgumentReader& in) {
  Mirror value{in.string(), in.boolean(), in.uint32(), in.number(), in.strings()};
  in.skip("a{sv}");
  return value;
}

class ExportedObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    object = platform::exportInterface(*peer, kPeerPath, kPeerInterface, table());
    ASSERT_TRUE(object.has_value()) << object.error().description();
    ASSERT_TRUE(ownPeerName(*peer));
  }

  platform::BusInterfaceTable table() {
    auto echo = [](BusArgumentReader& in, const BusMethodCall& call) {
      const std::string text = in.string();
      if (in) (void)call.reply([&](BusArgumentWriter& out) { out.string(text); });
    };
    return {
        .methods =
            {
                {"Echo", "s", "s", echo},
                {"Mirror", kMirrored, kMirrored,
                 [](BusArgumentReader& in, const BusMethodCall& call) {
                   const Mirror value = read(in);
                   if (in) (void)call.reply([&](BusArgumentWriter& out) { write(out, value); });
                 }},
                {"Later", "s", "s",
                 [](BusArgumentReader& in, const BusMethodCall& call) {
                   platform::DispatchQueue::main().async([call, text = in.string()] {
                     (void)call.reply([&](BusArgumentWriter& out) { out.string(text + " later"); });
                   });
                 }},
                {"Refuse", "", "",
                 [](BusArgumentReader&, const BusMethodCall& call) {
                   (void)call.fail("run.tarvo.vigilix.Test.Refused", "not today");
                 }},
                {"Twice", "", "s",
                 [this](BusArgumentReader&, const BusMethodCall& call) {
                   (void)call.reply([](BusArgumentWriter& out) { out.string("first"); });
                   secondAnswer = call.reply([](BusArgumentWriter& out) { out.string("second"); });
                 }},
                // Reads an argument the call has not got, and leaves the answer to the object.
                {"ReadsTooMuch", "s", "s",
                 [](BusArgumentReader& in, const BusMethodCall&) {
                   (void)in.string();
                   (void)in.uint32();
                 }},
                // A text that is not UTF-8 cannot go on the bus.
                {"Unwritable", "", "s",
                 [](BusArgumentReader&, const BusMethodCall& call) {
                   (void)call.reply([](BusArgumentWriter& out) { out.string("\xff"); });
                 }},
                {"DropsItsObject", "", "s",
                 [this](BusArgumentReader&, const BusMethodCall& call) {
                   *object = BusSlot();
                   (void)call.reply([](BusArgumentWriter& out) { out.string("dropped"); });
                 }},
            },
        .signals = {{"Happened", "s"}}};
  }

  // The reply's first string, or the error's description.
  std::string call(const char* member, const platform::BusWrite& arguments = {}) {
    std::optional<std::string> answer;
    auto pending = caller->callAsync({kPeerName, kPeerPath, kPeerInterface, member}, arguments,
                                     [&](const BusReply& reply) {
                                       if (!reply) {
                                         answer = reply.error().description();
                                         return;
                                       }
                                       BusArgumentReader in(*reply);
                                       answer = in.string();
                                     });
    if (!pending) return pending.error().description();
    if (!runMainLoopUntil([&] { return answer.has_value(); })) return "(no answer)";
    return *answer;
  }

  std::optional<PrivateSessionBus> bus{std::in_place};
  std::unique_ptr<platform::AsyncBusConnection> caller = openSessionConnection();
  std::unique_ptr<platform::AsyncBusConnection> peer = openSessionConnection();
  std::expected<BusSlot, platform::BusError> object;
  std::expected<void, platform::BusError> secondAnswer;
};

TEST_F(ExportedObjectTest, EachMethodIsAnsweredAsItsHandlerSays) {
  struct Row {
    const char* name;
    const char* member;
    platform::BusWrite arguments;
    std::string expected;  // the reply's string, or the start of the error
  };
  const auto hello = [](BusArgumentWriter& out) { out.string("hello"); };
  const Row rows[] = {
      {"answered at once", "Echo", hello, "hello"},
      {"answered from the main queue afterwards", "Later", hello, "hello later"},
      {"refused with a named error", "Refuse", {}, "run.tarvo.vigilix.Test.Refused: not today"},
      {"only the first answer is sent", "Twice", {}, "first"},
      {"a failed read is answered with its error", "ReadsTooMuch", hello, "System.Error.ENXIO"},
      {"a reply that cannot be written is answered with its error",
       "Unwritable",
       {},
       "org.freedesktop.DBus.Error.InvalidArgs"},
      {"arguments of another signature never reach the handler", "Echo",
       [](BusArgumentWriter& out) { out.uint32(7); }, "org.freedesktop.DBus.Error.InvalidArgs"},
      {"a method the table lacks", "Missing", {}, "org.freedesktop.DBus.Error.UnknownMethod"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(call(row.member, row.arguments).substr(0, row.expected.size()), row.expected);
  }
  ASSERT_FALSE(secondAnswer.has_value());
  EXPECT_EQ(secondAnswer.error().code, EALREADY);
}

TEST_F(ExportedObjectTest, ArgumentsComeBackAsTheyWereWritten) {
  const Mirror rows[] = {
      {"", false, 0, 0, {}},
      {"grüße, \"quoted\"", true, 4294967295u, -0.1, {"a", "", "ß"}},
  };
  for (const Mirror& sent : rows) {
    SCOPED_TRACE(sent.text);
    std::optional<Mirror> received;
    auto pending = caller->callAsync(
        {kPeerName, kPeerPath, kPeerInterface, "Mirror"},
        [&](BusArgumentWriter& out) { write(out, sent); },
        [&](const BusReply& reply) {
          ASSERT_TRUE(reply.has_value()) << reply.error().description();
          BusArgumentReader in(*reply);
          received = read(in);
          EXPECT_TRUE(in) << in.error().description();
        });
    ASSERT_TRUE(pending.has_value());
    ASSERT_TRUE(runMainLoopUntil([&] { return received.has_value(); }));
    EXPECT_EQ(*received, sent);
  }
}

TEST_F(ExportedObjectTest, TheTableIsIntrospectedAndGoesWithItsSlot) {
  std::optional<std::string> xml;
  auto pending = caller->callAsync(
      {kPeerName, kPeerPath, "org.freedesktop.DBus.Introspectable", "Introspect"}, nullptr,
      [&](const BusReply& reply) { xml = reply ? BusArgumentReader(*reply).string() : ""; });
  ASSERT_TRUE(pending.has_value());
  ASSERT_TRUE(runMainLoopUntil([&] { return xml.has_value(); }));
  for (const char* part :
       {"<method name=\"Mirror\">", "<signal name=\"Happened\">\n   <arg type=\"s\"/>"}) {
    EXPECT_NE(xml->find(part), std::string::npos) << part << " in " << *xml;
  }

  // Dropped from inside its own handler, the object answers that call and then no more.
  EXPECT_EQ(call("DropsItsObject"), "dropped");
  EXPECT_EQ(call("Echo", [](BusArgumentWriter& out) { out.string("anyone?"); }).substr(0, 39),
            "org.freedesktop.DBus.Error.UnknownObjec");
}

}  // namespace
}  // namespace vigilix::testing
