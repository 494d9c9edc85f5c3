#include "platform/buswire/bus_message.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/buswire/posted_notification.h"

namespace vigilix::platform {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

constexpr auto kCall = static_cast<std::uint8_t>(WireMessageType::MethodCall);
constexpr auto kSignal = static_cast<std::uint8_t>(WireMessageType::Signal);

WireMessage withSerial(WireMessage message, std::uint32_t serial) {
  message.serial = serial;
  return message;
}

TEST(BusMessageTest, EncodesTheBusCallsAndPostsByteForByteAndReadsThemBack) {
  struct Row {
    const char* name;
    WireMessage message;
    std::string_view literal;
  };
  const Row rows[] = {
      {"Hello", withSerial(busDaemonCall("Hello", "", {}), 1),
       "l\x01\x00\x01\x00\x00\x00\x00\x01\x00\x00\x00m\x00\x00\x00\x01\x01o\x00\x15\x00\x00\x00/"
       "org/freedesktop/DBus\x00\x00\x00\x02\x01s\x00\x14\x00\x00\x00org.freedesktop.DBus\x00"
       "\x00\x00\x00\x03\x01s\x00\x05\x00\x00\x00Hello\x00\x00\x00\x06\x01s\x00\x14\x00\x00\x00o"
       "rg.freedesktop.DBus\x00\x00\x00\x00"sv},
      {"AddMatch",
       withSerial(busDaemonCall("AddMatch", "s", {postedMatchRule("run.tarvo.vigilix.cli.reply")}),
                  2),
       "l\x01\x00\x01\xb9\x00\x00\x00\x02\x00\x00\x00\x7f\x00\x00\x00\x01\x01o\x00\x15\x00\x00"
       "\x00/org/freedesktop/DBus\x00\x00\x00\x02\x01s\x00\x14\x00\x00\x00org.freedesktop.DBus"
       "\x00\x00\x00\x00\x03\x01s\x00\x08\x00\x00\x00"
       "AddMatch\x00\x00\x00\x00\x00\x00\x00\x00"
       "\x06\x01s\x00\x14\x00\x00\x00org.freedesktop.DBus\x00\x00\x00\x00\x08\x01g\x00\x01s\x00"
       "\x00\xb4\x00\x00\x00type='signal',path='/run/tarvo/vigilix/DistributedNotificationCenter"
       "',interface='run.tarvo.vigilix.DistributedNotificationCenter',member='Posted',arg0='run."
       "tarvo.vigilix.cli.reply'\x00"sv},
      {"a post with a text object",
       withSerial(postedSignal({"run.tarvo.vigilix.cli.reply", "{\"id\":\"n1\"}"}), 3),
       "l\x04\x01\x01"
       "0\x00\x00\x00\x03\x00\x00\x00\x90\x00\x00\x00\x01\x01o\x00"
       "0\x00\x00"
       "\x00/run/tarvo/vigilix/DistributedNotificationCenter\x00\x00\x00\x00\x00\x00\x00\x00\x02"
       "\x01s\x00/\x00\x00\x00run.tarvo.vigilix.DistributedNotificationCenter\x00\x03\x01s\x00"
       "\x06\x00\x00\x00Posted\x00\x00\x08\x01g\x00\x02ss\x00\x1b\x00\x00\x00run.tarvo.vigilix.c"
       "li.reply\x00\x0b\x00\x00\x00{\x22id\x22:\x22n1\x22}\x00"sv},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(encodeBusMessage(row.message), std::string(row.literal));
    EXPECT_EQ(busMessageLength(row.literal).value_or(std::nullopt), row.literal.size());
    EXPECT_EQ(decodeBusMessage(row.literal), row.message);
    // Cut anywhere, it is no message, and reading it never runs past what is there.
    for (std::size_t cut = 0; cut < row.literal.size(); ++cut) {
      EXPECT_FALSE(decodeBusMessage(row.literal.substr(0, cut)).has_value()) << cut;
    }
  }
}

TEST(BusMessageTest, SendsOnlyWhatAPeerCanRead) {
  struct Row {
    const char* name;
    std::string signature;
    std::vector<WireArgument> arguments;
    std::string path = "/a";
    std::uint32_t serial = 1;
  };
  const Row rows[] = {
      {"a number where a text goes", "s", {std::uint32_t{1}}},
      {"more arguments than the signature", "s", {"a", "b"}},
      {"a type that is not written", "as", {"a"}},
      {"a text holding a NUL", "s", {std::string("a\0b", 3)}},
      {"a text that is not UTF-8", "s", {"caf\xe9"}},
      {"an overlong encoding", "s", {"\xc0\xaf"}},
      {"a surrogate", "s", {"\xed\xa0\x80"}},
      {"an invalid object path", "o", {"/a//b"}},
      {"an invalid signature argument", "g", {"a"}},
      {"an invalid path field", "", {}, "a/b"},
      {"no serial", "", {}, "/a", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WireMessage message{.type = kSignal,
                        .serial = row.serial,
                        .path = row.path,
                        .interface = "a.b",
                        .member = "C",
                        .signature = row.signature,
                        .arguments = row.arguments};
    EXPECT_FALSE(encodeBusMessage(message).has_value());
  }
}

// Raw messages for the decoder, in either byte order.
struct Raw {
  bool big = false;

  std::string u32(std::uint32_t value) const {
    std::string out(4, '\0');
    for (int k = 0; k < 4; ++k) out[big ? 3 - k : k] = static_cast<char>((value >> (8 * k)) & 0xFF);
    return out;
  }
  std::string text(std::string_view value) const {
    return u32(static_cast<std::uint32_t>(value.size())) + std::string(value) + '\0';
  }
  // A header field; the value is padded to its type's alignment (the field starts on 8).
  static std::string field(std::uint8_t code, std::string_view type, const std::string& value) {
    std::string out{static_cast<char>(code), static_cast<char>(type.size())};
    out += std::string(type) + '\0';
    const std::size_t alignment =
        std::string_view("(txd").find(type[0]) != std::string_view::npos     ? 8
        : std::string_view("asoubi").find(type[0]) != std::string_view::npos ? 4
                                                                             : 1;
    while (out.size() % alignment != 0) out.push_back('\0');
    return out + value;
  }
  std::string message(std::uint8_t type, const std::vector<std::string>& fields,
                      const std::string& body, std::uint32_t serial = 7) const {
    std::string joined;
    for (const std::string& f : fields) {
      while (joined.size() % 8 != 0) joined.push_back('\0');
      joined += f;
    }
    std::string out{big ? 'B' : 'l', static_cast<char>(type), 0, 1};
    out += u32(static_cast<std::uint32_t>(body.size())) + u32(serial) +
           u32(static_cast<std::uint32_t>(joined.size())) + joined;
    while (out.size() % 8 != 0) out.push_back('\0');
    return out + body;
  }
  // A signal "/a", "a.b", "C" with the given extra fields and body.
  std::string signal(std::vector<std::string> extra, const std::string& body) const {
    std::vector<std::string> fields = {field(1, "o", text("/a")), field(2, "s", text("a.b")),
                                       field(3, "s", text("C"))};
    fields.insert(fields.end(), extra.begin(), extra.end());
    return message(kSignal, fields, body);
  }
};

std::string patched(std::string bytes, std::size_t at, char value) {
  bytes[at] = value;
  return bytes;
}

TEST(BusMessageTest, ReadsWhatPeersSendAndRejectsEveryMalformedMessage) {
  const Raw le;
  const Raw be{.big = true};
  const std::string valid = le.signal({Raw::field(8, "g", "\1s"s + '\0')}, le.text("x"));
  // Variants within variants, deeper than a value may nest.
  std::string deep;
  for (int level = 0; level < 70; ++level) deep += "\1v"s + '\0';
  deep += "\1y"s + '\0' + 'z';
  const WireMessage expected{.type = kSignal,
                             .serial = 7,
                             .path = "/a",
                             .interface = "a.b",
                             .member = "C",
                             .signature = "s",
                             .arguments = {"x"}};
  const WireMessage expectedEmpty{
      .type = kSignal, .serial = 7, .path = "/a", .interface = "a.b", .member = "C"};
  struct Row {
    const char* name;
    std::string bytes;
    std::optional<WireMessage> message;  // none: rejected
    std::string error = {};              // a fragment of the rejection
  };
  const Row rows[] = {
      {"little-endian", valid, expected},
      {"big-endian",
       be.signal({Raw::field(8, "g", "\2sb"s + '\0'), Raw::field(7, "s", be.text(":1.4"))},
                 be.text("x") + "\0\0"s + be.u32(1)),
       WireMessage{.type = kSignal,
                   .serial = 7,
                   .path = "/a",
                   .interface = "a.b",
                   .member = "C",
                   .sender = ":1.4",
                   .signature = "sb",
                   .arguments = {"x", true}}},
      {"an unknown field of a structure type is skipped",
       le.signal({Raw::field(200, "(yv)", "\x05\1u\0"s + le.u32(9))}, ""), expectedEmpty},
      {"an unknown field of an 8-byte type is skipped",
       le.signal({Raw::field(40, "t", std::string(8, '\1'))}, ""), expectedEmpty},
      {"an unknown field of a dictionary type is skipped",
       le.signal({Raw::field(41, "a{sv}",
                             le.u32(16) + "\0\0\0\0"s + le.text("k") + "\1b\0\0\0\0"s + le.u32(1))},
                 ""),
       expectedEmpty},
      {"a body of another signature is checked, not read",
       le.signal({Raw::field(8, "g", "\2ay"s + '\0')}, le.u32(2) + "ab"),
       WireMessage{.type = kSignal,
                   .serial = 7,
                   .path = "/a",
                   .interface = "a.b",
                   .member = "C",
                   .signature = "ay"}},
      {"a truncated fixed header", valid.substr(0, 12), std::nullopt, "shorter"},
      {"an unknown byte order", patched(valid, 0, 'x'), std::nullopt, "byte order"},
      {"another protocol version", patched(valid, 3, 2), std::nullopt, "protocol version 2"},
      {"a body length past the end", patched(valid, 4, 12), std::nullopt, "past the end"},
      {"bytes after the message", valid + std::string(8, '\0'), std::nullopt, "after"},
      {"no serial", le.message(kSignal, {}, "", 0), std::nullopt, "serial"},
      {"a field not on its 8-byte boundary", patched(valid, 30, 'x'), std::nullopt, "padding"},
      {"a text length past the end", patched(valid, 20, 100), std::nullopt, "past the end"},
      {"a text without its NUL", patched(valid, 26, 'x'), std::nullopt, "closing NUL"},
      {"a known field of another type", le.signal({Raw::field(5, "s", le.text("1"))}, ""),
       std::nullopt, "field 5 of type s"},
      {"a field twice", le.signal({Raw::field(3, "s", le.text("D"))}, ""), std::nullopt, "twice"},
      {"an unknown field whose array runs past the end",
       le.signal({Raw::field(42, "ay", le.u32(1000))}, ""), std::nullopt, "past the end"},
      {"an array over the limit", le.signal({Raw::field(42, "ay", le.u32(1u << 27))}, ""),
       std::nullopt, "limit"},
      {"header fields over the array limit", patched(valid, 15, 0x10), std::nullopt, "limit"},
      {"a body where the signature says none", le.signal({}, le.text("x")), std::nullopt,
       "longer than its signature"},
      {"a number where the signature says text",
       le.signal({Raw::field(8, "g", "\1s"s + '\0')}, le.u32(5)), std::nullopt, "past the end"},
      {"a second text missing", le.signal({Raw::field(8, "g", "\2ss"s + '\0')}, le.text("x")),
       std::nullopt, "past the end"},
      {"a boolean of 2", le.signal({Raw::field(8, "g", "\1b"s + '\0')}, le.u32(2)), std::nullopt,
       "boolean"},
      {"an invalid signature", le.signal({Raw::field(8, "g", "\2a)"s + '\0')}, ""), std::nullopt,
       "signature"},
      {"arrays nested deeper than a signature may",
       le.signal({Raw::field(8, "g", "\x22" + std::string(33, 'a') + 'y' + '\0')}, ""),
       std::nullopt, "signature"},
      {"variants nested too deep", le.signal({Raw::field(43, "v", deep)}, ""), std::nullopt,
       "too deep"},
      {"a text that is not UTF-8", le.signal({Raw::field(6, "s", le.text("\xff"))}, ""),
       std::nullopt, "UTF-8"},
      {"a text holding a NUL", le.signal({Raw::field(6, "s", le.text("a\0b"sv))}, ""), std::nullopt,
       "NUL"},
      {"an invalid object path", le.message(kSignal, {Raw::field(1, "o", le.text("a"))}, ""),
       std::nullopt, "object path"},
      {"a signal without a member",
       le.message(kSignal, {Raw::field(1, "o", le.text("/a")), Raw::field(2, "s", le.text("a.b"))},
                  ""),
       std::nullopt, "missing"},
      {"a call without a path", le.message(kCall, {Raw::field(3, "s", le.text("C"))}, ""),
       std::nullopt, "missing"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto decoded = decodeBusMessage(row.bytes);
    if (row.message) {
      EXPECT_EQ(decoded, *row.message) << (decoded ? "" : decoded.error());
    } else {
      ASSERT_FALSE(decoded.has_value());
      EXPECT_NE(decoded.error().find(row.error), std::string::npos) << decoded.error();
    }
  }
}

}  // namespace
}  // namespace vigilix::platform
