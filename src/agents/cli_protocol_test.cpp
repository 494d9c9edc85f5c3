#include "agents/cli_protocol.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vigilix {
namespace {

std::string repeated(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

VGXCLIRequest request(const std::string& nonce, VGXCLIVerb verb, int pid, std::string label = {}) {
  return {nonce, verb, pid, std::move(label)};
}

// Which request lines parse, and to what.
TEST(VGXCLIProtocolTest, ParsesRequestLines) {
  const std::string flag = "\U0001F1EB\U0001F1F7";  // one character, eight bytes
  struct Row {
    const char* name;
    std::string line;
    std::optional<VGXCLIRequest> parsed;
  };
  const Row rows[] = {
      {"status with pid 0 and three fields", "n1|status|0", request("n1", VGXCLIVerb::status, 0)},
      {"status with a negative pid", "n1|status|-12", request("n1", VGXCLIVerb::status, -12)},
      {"watch with a label", "Ab-9|watch|42|build",
       request("Ab-9", VGXCLIVerb::watch, 42, "build")},
      {"unwatch", "x|unwatch|7", request("x", VGXCLIVerb::unwatch, 7)},
      {"label keeps further bars", "n|watch|42|a|b||c",
       request("n", VGXCLIVerb::watch, 42, "a|b||c")},
      {"trailing bar is an empty label", "n|watch|42|", request("n", VGXCLIVerb::watch, 42)},
      {"largest pid", "n|watch|2147483647", request("n", VGXCLIVerb::watch, 2147483647)},
      {"smallest pid", "n|status|-2147483648", request("n", VGXCLIVerb::status, -2147483647 - 1)},
      {"64-character nonce", repeated("a", 64) + "|status|1",
       request(repeated("a", 64), VGXCLIVerb::status, 1)},
      {"label of 250 characters is cut to 200", "n|watch|1|" + repeated("x", 250),
       request("n", VGXCLIVerb::watch, 1, repeated("x", 200))},
      {"label counted in characters, not bytes", "n|watch|1|" + repeated(flag, 201),
       request("n", VGXCLIVerb::watch, 1, repeated(flag, 200))},
      {"watch with pid 0", "n|watch|0", std::nullopt},
      {"watch with a negative pid", "n|watch|-1", std::nullopt},
      {"unwatch with pid 0", "n|unwatch|0", std::nullopt},
      {"two fields", "n|status", std::nullopt},
      {"empty line", "", std::nullopt},
      {"nonce with an underscore", "a_b|status|0", std::nullopt},
      {"empty nonce", "|status|0", std::nullopt},
      {"65-character nonce", repeated("a", 65) + "|status|0", std::nullopt},
      {"verb with a capital", "n|Status|0", std::nullopt},
      {"unknown verb", "n|hold|1", std::nullopt},
      {"pid past 32 bits", "n|watch|2147483648", std::nullopt},
      {"pid with leading zeros", "n|watch|0042", std::nullopt},
      {"pid with a plus", "n|watch|+42", std::nullopt},
      {"minus zero", "n|status|-0", std::nullopt},
      {"pid with a trailing blank", "n|watch|42 |x", std::nullopt},
      {"empty pid", "n|status|", std::nullopt},
      {"pid with letters", "n|status|4x", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXCLIProtocol::parseRequest(row.line), row.parsed);
  }
}

// Requests written by the tool's half read back as themselves.
TEST(VGXCLIProtocolTest, RequestLinesRoundTrip) {
  struct Row {
    const char* name;
    VGXCLIRequest value;
    std::string literal;
  };
  const Row rows[] = {
      {"watch with label", request("n-1", VGXCLIVerb::watch, 99, "make all"),
       "n-1|watch|99|make all"},
      {"empty label still writes the fourth field", request("n", VGXCLIVerb::status, -3),
       "n|status|-3|"},
      {"label with bars", request("n", VGXCLIVerb::unwatch, 5, "a|b"), "n|unwatch|5|a|b"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXCLIProtocol::encodeRequest(row.value), row.literal);
    EXPECT_EQ(VGXCLIProtocol::parseRequest(row.literal), row.value);
  }
}

// Every reply is one line: CR and LF in any text put into it become spaces.
TEST(VGXCLIProtocolTest, EncodesRepliesOnOneLine) {
  struct Row {
    const char* name;
    std::string nonce;
    VGXCLIReply reply;
    std::string literal;
  };
  const Row rows[] = {
      {"awake", "n1", VGXCLIReply::status(true, "Keeping your computer awake"),
       "n1|status|1|Keeping your computer awake"},
      {"not awake, empty reason", "n1", VGXCLIReply::status(false, ""), "n1|status|0|"},
      {"reason with a bar stays as it is", "n", VGXCLIReply::status(true, "a|b"), "n|status|1|a|b"},
      {"ok", "n", VGXCLIReply::ok(), "n|ok"},
      {"policy denied", "n", VGXCLIReply::policyDenied(), "n|policy-denied"},
      {"LF in the reason", "n", VGXCLIReply::status(true, "line one\nline two"),
       "n|status|1|line one line two"},
      {"CR LF in the reason is two spaces", "n", VGXCLIReply::status(false, "a\r\nb\r"),
       "n|status|0|a  b "},
      {"CR and LF in the nonce", "n\r\nx", VGXCLIReply::ok(), "n  x|ok"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string line = VGXCLIProtocol::encodeReply(row.nonce, row.reply);
    EXPECT_EQ(line, row.literal);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
  }
}

TEST(VGXCLIProtocolTest, ParsesReplyLines) {
  using Parsed = std::optional<std::pair<std::string, VGXCLIReply>>;
  struct Row {
    const char* name;
    std::string line;
    Parsed parsed;
  };
  const Row rows[] = {
      {"ok", "n|ok", std::pair{std::string("n"), VGXCLIReply::ok()}},
      {"policy denied", "n|policy-denied",
       std::pair{std::string("n"), VGXCLIReply::policyDenied()}},
      {"awake with reason", "n|status|1|Agent: tool",
       std::pair{std::string("n"), VGXCLIReply::status(true, "Agent: tool")}},
      {"asleep without reason field", "n|status|0",
       std::pair{std::string("n"), VGXCLIReply::status(false, "")}},
      {"no rule on the nonce here", "a_b|ok", std::pair{std::string("a_b"), VGXCLIReply::ok()}},
      {"ok with a third field", "n|ok|x", std::nullopt},
      {"policy denied with a third field", "n|policy-denied|", std::nullopt},
      {"status flag neither 1 nor 0", "n|status|2|r", std::nullopt},
      {"status without flag", "n|status", std::nullopt},
      {"one field", "n", std::nullopt},
      {"unknown word", "n|fine", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXCLIProtocol::parseReply(row.line), row.parsed);
  }
}

TEST(VGXCLIProtocolTest, SplitsAtMostThreeTimes) {
  using Fields = std::vector<std::string_view>;
  EXPECT_EQ(VGXCLIProtocol::fields(""), Fields{""});
  EXPECT_EQ(VGXCLIProtocol::fields("a"), Fields{"a"});
  EXPECT_EQ(VGXCLIProtocol::fields("||"), (Fields{"", "", ""}));
  EXPECT_EQ(VGXCLIProtocol::fields("a|b|c|d|e|"), (Fields{"a", "b", "c", "d|e|"}));
}

}  // namespace
}  // namespace vigilix
