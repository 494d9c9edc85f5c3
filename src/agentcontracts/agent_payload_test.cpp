#include "agentcontracts/agent_payload.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vigilix {
namespace {

std::optional<VGXAgentParsedHook> parseText(const std::string& text, std::string_view tool) {
  return VGXAgentPayload::parse(
      std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), tool);
}

TEST(AgentPayloadTest, DerivesHoldCorrelationAndSession) {
  const std::string longSession(300, 's');
  const std::string longPrompt(200, 'p');
  struct Row {
    const char* name;
    const char* tool;
    std::string payload;
    std::optional<VGXAgentParsedHook> parsed;
  };
  const Row rows[] = {
      {"cursor prefers its conversation", "cursor",
       R"({"conversation_id":"c1","session_id":"s1","prompt_id":"p"})",
       VGXAgentParsedHook{"cursor:c1", std::nullopt, "c1"}},
      {"claude with a subagent", "claude",
       R"({"session_id":"abc","prompt_id":"p7","agent_id":"sub"})",
       VGXAgentParsedHook{"claude:abc:sub", "p7", "abc"}},
      {"an empty text gives way to a number", "claude", R"({"session_id":"","sessionId":12})",
       VGXAgentParsedHook{"claude:12", std::nullopt, "12"}},
      {"numbers and Booleans in their own text", "codex",
       R"({"session_id":2.5,"turnId":true,"agentId":-7})",
       VGXAgentParsedHook{"codex:2.5:-7", "1", "2.5"}},
      {"grok looks at promptId first", "grok",
       R"({"sessionId":"g","prompt_id":"b","promptId":"a"})",
       VGXAgentParsedHook{"grok:g", "a", "g"}},
      {"gemini has no correlation", "gemini", R"({"session_id":"m","prompt_id":"p"})",
       VGXAgentParsedHook{"gemini:m", std::nullopt, "m"}},
      {"long values are cut", "claude",
       R"({"session_id":")" + longSession + R"(","prompt_id":")" + longPrompt + R"("})",
       VGXAgentParsedHook{"claude:" + longSession.substr(0, 193), longPrompt.substr(0, 128),
                          longSession}},
      {"characters are cut whole", "claude",
       R"({"session_id":"s","prompt_id":")" + std::string(127, 'p') + "e\u0301" + R"("})",
       VGXAgentParsedHook{"claude:s", std::string(127, 'p') + "e\u0301", "s"}},
      {"objects and lists are not values", "claude", R"({"session_id":{"a":1},"sessionId":[1]})",
       std::nullopt},
      {"no session", "claude", R"({"prompt_id":"p"})", std::nullopt},
      {"empty input", "claude", "", std::nullopt},
      {"not an object", "claude", R"(["session_id"])", std::nullopt},
      {"not JSON", "claude", R"({"session_id":"s")", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(parseText(row.payload, row.tool), row.parsed);
  }
}

TEST(AgentPayloadTest, DefaultLifetimes) {
  EXPECT_EQ(VGXAgentPayload::defaultTTL("cursor"), 3600);
  EXPECT_EQ(VGXAgentPayload::defaultTTL("gemini"), 3600);
  EXPECT_EQ(VGXAgentPayload::defaultTTL("Cursor"), 600);
  EXPECT_EQ(VGXAgentPayload::defaultTTL("claude"), 600);
}

}  // namespace
}  // namespace vigilix
