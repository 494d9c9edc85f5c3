#include "agents/cli_v2_codec.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vigilix {
namespace {

using CodecError = VGXCLIv2Codec::CodecError;

const std::string kEpoch = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";
const std::string kFlag = "\U0001F1EB\U0001F1F7";  // one character, eight bytes

std::string repeated(const std::string& piece, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

VGXCLIv2Request epochRequest(std::string nonce = "a") {
  return {.nonce = std::move(nonce), .verb = VGXCLIv2Verb::epoch};
}

VGXCLIv2Reply okReply(std::string nonce = "a") {
  return {.nonce = std::move(nonce), .status = VGXCLIv2Status::ok, .epoch = kEpoch};
}

// Each request writes exactly its literal (sorted keys, compact, "/" as it
// is, absent optionals left out) and the literal reads back as the request.
TEST(VGXCLIv2CodecTest, RequestGoldenRows) {
  struct Row {
    const char* name;
    VGXCLIv2Request value;
    std::string literal;
  };
  const Row rows[] = {
      {"epoch, every optional absent", epochRequest(), R"({"nonce":"a","v":2,"verb":"epoch"})"},
      {"hold with every field",
       {.nonce = "N-1",
        .verb = VGXCLIv2Verb::hold,
        .epoch = kEpoch,
        .gen = 3,
        .id = "claude:abc/1",
        .ttl = 86400,
        .pid = 4242,
        .pidStart = 1767603600123,
        .label = "Fix the \"build\"",
        .tool = "claude",
        .corr = "c-1",
        .seq = 0,
        .toolVersion = "1.2.3"},
       R"({"corr":"c-1","epoch":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","gen":3,)"
       R"("id":"claude:abc/1","label":"Fix the \"build\"","nonce":"N-1","pid":4242,)"
       R"("pidStart":1767603600123,"seq":0,"tool":"claude","toolVersion":"1.2.3",)"
       R"("ttl":86400,"v":2,"verb":"hold"})"},
      {"release by id prefix",
       {.nonce = "r", .verb = VGXCLIv2Verb::release, .id = "codex:"},
       R"({"id":"codex:","nonce":"r","v":2,"verb":"release"})"},
      {"holds with negative gen and pid",
       {.nonce = "h", .verb = VGXCLIv2Verb::holds, .gen = -1, .pid = -2147483647 - 1},
       R"({"gen":-1,"nonce":"h","pid":-2147483648,"v":2,"verb":"holds"})"},
      {"doctor with text beyond ASCII",
       {.nonce = "d", .verb = VGXCLIv2Verb::doctor, .label = "é\n"},
       "{\"label\":\"é\\n\",\"nonce\":\"d\",\"v\":2,\"verb\":\"doctor\"}"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXCLIv2Codec::encodeRequest(row.value), row.literal);
    EXPECT_EQ(VGXCLIv2Codec::decodeRequest(row.literal), row.value);
  }
}

TEST(VGXCLIv2CodecTest, ReplyGoldenRows) {
  struct Row {
    const char* name;
    VGXCLIv2Reply value;
    std::string literal;
  };
  VGXCLIv2Reply listing = okReply("n");
  listing.gen = 7;
  listing.holds = std::vector<VGXCLIv2HoldInfo>{{"claude:s1", "claude", std::nullopt, 899},
                                                {"x", std::nullopt, "l", 0}};
  VGXCLIv2Reply everything = okReply("n");
  everything.status = VGXCLIv2Status::error;
  everything.gen = -5;
  everything.message = "a/b";
  everything.holds = std::vector<VGXCLIv2HoldInfo>{};
  everything.doctor = R"([{"title":"Keep Awake"}])";
  const Row rows[] = {
      {"epoch answer", okReply(),
       R"({"epoch":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","gen":0,"nonce":"a","status":"ok","v":2})"},
      {"holds listing", listing,
       R"({"epoch":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","gen":7,"holds":[)"
       R"({"expiresIn":899,"id":"claude:s1","tool":"claude"},{"expiresIn":0,"id":"x","label":"l"}],)"
       R"("nonce":"n","status":"ok","v":2})"},
      {"every key, in sorted order, slash kept", everything,
       R"({"doctor":"[{\"title\":\"Keep Awake\"}]","epoch":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F",)"
       R"("gen":-5,"holds":[],"message":"a/b","nonce":"n","status":"error","v":2})"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXCLIv2Codec::encodeReply(row.value), row.literal);
    EXPECT_EQ(VGXCLIv2Codec::decodeReply(row.literal), row.value);
  }
  for (auto status :
       {VGXCLIv2Status::ok, VGXCLIv2Status::stale, VGXCLIv2Status::policyDenied,
        VGXCLIv2Status::unknownVerb, VGXCLIv2Status::appTooOld, VGXCLIv2Status::error}) {
    VGXCLIv2Reply reply = okReply();
    reply.status = status;
    const auto text = VGXCLIv2Codec::encodeReply(reply).value();
    SCOPED_TRACE(text);
    EXPECT_NE(text.find("\"status\":\"" + std::string(rawValue(status)) + "\""), std::string::npos);
    EXPECT_EQ(VGXCLIv2Codec::decodeReply(text), reply);
  }
}

// Which request texts decode: JSON and type rules, then the field rules.
TEST(VGXCLIv2CodecTest, DecodesOnlyValidRequests) {
  const std::string base = R"("v":2,"verb":"hold")";
  auto with = [&](const std::string& member) {
    return R"({"nonce":"a",)" + base + "," + member + "}";
  };
  auto withNonce = [&](const std::string& nonce) {
    return R"({"nonce":")" + nonce + R"(",)" + base + "}";
  };
  auto text = [&](const char* key, const std::string& value) {
    return with("\"" + std::string(key) + "\":\"" + value + "\"");
  };
  struct Row {
    const char* name;
    std::string text;
    bool decodes;
  };
  const Row rows[] = {
      {"version 1", R"({"v":1,"nonce":"a","verb":"epoch"})", false},
      {"version 2", R"({"v":2,"nonce":"a","verb":"epoch"})", true},
      {"version as text", R"({"v":"2","nonce":"a","verb":"epoch"})", false},
      {"version missing", R"({"nonce":"a","verb":"epoch"})", false},
      {"nonce missing", R"({"v":2,"verb":"epoch"})", false},
      {"verb missing", R"({"v":2,"nonce":"a"})", false},
      {"mixed-case nonce with digits and dash", withNonce("aZ09-xY"), true},
      {"64-byte nonce", withNonce(repeated("a", 64)), true},
      {"65-byte nonce", withNonce(repeated("a", 65)), false},
      {"empty nonce", withNonce(""), false},
      {"nonce with underscore", withNonce("a_b"), false},
      {"nonce with full stop", withNonce("a.b"), false},
      {"nonce with a non-ASCII letter", withNonce("caf\u00e9"), false},
      {"verb with a capital", R"({"v":2,"nonce":"a","verb":"Hold"})", false},
      {"unknown verb", R"({"v":2,"nonce":"a","verb":"stop"})", false},
      {"ttl 0", with(R"("ttl":0)"), false},
      {"ttl 1", with(R"("ttl":1)"), true},
      {"ttl 86400", with(R"("ttl":86400)"), true},
      {"ttl 86401", with(R"("ttl":86401)"), false},
      {"ttl not whole", with(R"("ttl":1.5)"), false},
      {"seq -1", with(R"("seq":-1)"), false},
      {"seq 0", with(R"("seq":0)"), true},
      {"pid past 32 bits", with(R"("pid":2147483648)"), false},
      {"pid as text", with(R"("pid":"12")"), false},
      {"gen as Boolean", with(R"("gen":true)"), false},
      {"unknown key", with(R"("colour":[1,{"x":null}])"), true},
      {"label null", with(R"("label":null)"), true},
      {"id of 200 characters of 8 bytes", text("id", repeated(kFlag, 200)), true},
      {"id of 201 characters", text("id", repeated("i", 201)), false},
      {"label of 200 characters", text("label", repeated("l", 200)), true},
      {"label of 201 characters", text("label", repeated("l", 201)), false},
      {"tool of 32 characters", text("tool", repeated("t", 32)), true},
      {"tool of 33 characters", text("tool", repeated("t", 33)), false},
      {"corr of 128 characters", text("corr", repeated("c", 128)), true},
      {"corr of 129 characters", text("corr", repeated("c", 129)), false},
      {"toolVersion of 64 characters", text("toolVersion", repeated("9", 64)), true},
      {"toolVersion of 65 characters", text("toolVersion", repeated("9", 65)), false},
      {"not JSON", "{", false},
      {"trailing garbage", R"({"v":2,"nonce":"a","verb":"epoch"}x)", false},
      {"array", "[]", false},
      {"empty", "", false},
      {"invalid UTF-8 in a string", "{\"v\":2,\"nonce\":\"a\",\"verb\":\"epoch\",\"x\":\"\xFF\"}",
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXCLIv2Codec::decodeRequest(row.text).has_value(), row.decodes);
  }
  EXPECT_EQ(VGXCLIv2Codec::decodeRequest(with(R"("label":null,"colour":1)")),
            VGXCLIv2Codec::decodeRequest(with(R"("seq":null)")))
      << "null and unknown keys read as absent";
}

// The frame limit counts UTF-8 bytes: 4096 is read, 4097 is not even parsed.
TEST(VGXCLIv2CodecTest, FrameLimitOnDecoding) {
  const std::string head = R"({"v":2,"nonce":"a","verb":"epoch","pad":")";
  const std::string tail = R"("})";
  auto frame = [&](std::size_t bytes) {
    return head + std::string(bytes - head.size() - tail.size(), 'x') + tail;
  };
  ASSERT_EQ(frame(4096).size(), 4096u);
  EXPECT_EQ(VGXCLIv2Codec::decodeRequest(frame(4096)), epochRequest());
  EXPECT_EQ(VGXCLIv2Codec::decodeRequest(frame(4097)), std::nullopt);

  const std::string replyHead = R"({"epoch":"e","gen":0,"nonce":"a","status":"ok","v":2,"pad":")";
  const std::string at4097 = replyHead + std::string(4097 - replyHead.size() - 2, 'x') + tail;
  EXPECT_EQ(VGXCLIv2Codec::decodeReply(at4097), std::nullopt);
  EXPECT_TRUE(VGXCLIv2Codec::decodeReply(at4097.substr(0, replyHead.size()) +
                                         at4097.substr(replyHead.size() + 1)));
}

TEST(VGXCLIv2CodecTest, ReplyValidationAndSizeOnEncoding) {
  auto withMessage = [](std::string message) {
    VGXCLIv2Reply reply = okReply();
    reply.message = std::move(message);
    return reply;
  };
  const std::size_t emptyMessageBytes = VGXCLIv2Codec::encodeReply(withMessage("")).value().size();
  const std::size_t fill = VGXCLIv2Codec::maxFrameBytes - emptyMessageBytes;

  VGXCLIv2Reply longTool = okReply();
  longTool.holds = std::vector<VGXCLIv2HoldInfo>{{"id", repeated("t", 33), std::nullopt, 1}};
  VGXCLIv2Reply longId = okReply();
  longId.holds = std::vector<VGXCLIv2HoldInfo>{{repeated("i", 201), std::nullopt, std::nullopt, 1}};
  VGXCLIv2Reply version1 = okReply();
  version1.v = 1;

  struct Row {
    const char* name;
    VGXCLIv2Reply reply;
    std::optional<CodecError> error;
  };
  const Row rows[] = {
      {"exactly 4096 bytes", withMessage(std::string(fill, 'm')), std::nullopt},
      {"4097 bytes", withMessage(std::string(fill + 1, 'm')), CodecError::tooLarge},
      {"empty nonce", okReply(""), CodecError::invalidFields},
      {"nonce with underscore", okReply("a_b"), CodecError::invalidFields},
      {"version 1", version1, CodecError::invalidFields},
      {"hold with 33-character tool", longTool, CodecError::invalidFields},
      {"hold with 201-character id", longId, CodecError::invalidFields},
      {"message that is not UTF-8", withMessage("\xC3("), CodecError::invalidFields},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto encoded = VGXCLIv2Codec::encodeReply(row.reply);
    if (row.error) {
      EXPECT_EQ(encoded, std::unexpected(*row.error));
    } else {
      ASSERT_TRUE(encoded.has_value());
      EXPECT_EQ(encoded->size(), VGXCLIv2Codec::maxFrameBytes);
    }
  }
  EXPECT_EQ(VGXCLIv2Codec::decodeReply(
                R"({"epoch":"e","gen":0,"holds":[{"expiresIn":1,"id":"i","tool":")" +
                repeated("t", 33) + R"("}],"nonce":"a","status":"ok","v":2})"),
            std::nullopt);
  EXPECT_EQ(
      VGXCLIv2Codec::decodeReply(R"({"epoch":"e","gen":0,"nonce":"a","status":"fine","v":2})"),
      std::nullopt);

  VGXCLIv2Request ttl0 = epochRequest();
  ttl0.ttl = 0;
  EXPECT_EQ(VGXCLIv2Codec::encodeRequest(ttl0), std::unexpected(CodecError::invalidFields));
}

}  // namespace
}  // namespace vigilix
