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

// What each tool writes to a hook's standard input, field for field as its documentation and
// captured runs show it (only ids, paths and texts are made up). Claude Code and Cursor name no
// prompt; Grok's Stop at shutdown names none either.
TEST(AgentPayloadTest, ReadsWhatTheToolsSend) {
  struct Row {
    const char* name;
    const char* tool;
    std::string payload;
    VGXAgentParsedHook parsed;
  };
  const VGXAgentParsedHook claude{"claude:0d6f3c1e-9a4b-4e27-b5d8-71c2e9f04a3b", std::nullopt,
                                  "0d6f3c1e-9a4b-4e27-b5d8-71c2e9f04a3b"};
  const VGXAgentParsedHook codex{"codex:019d036d-b1a0-7c43-9e2f-3f0a5d1c8e77",
                                 "019d036d-c7fa-72d2-b6fd-78878bfe34e4",
                                 "019d036d-b1a0-7c43-9e2f-3f0a5d1c8e77"};
  const VGXAgentParsedHook grok{"grok:01a043a2-5c7e-7d11-8f3b-2b9e4a6c0d15",
                                "1f28e0e5-3a9c-4b62-a0d7-6e5f1c2b8d49",
                                "01a043a2-5c7e-7d11-8f3b-2b9e4a6c0d15"};
  const VGXAgentParsedHook cursor{"cursor:cdefee2d-2727-4b73-bf77-d9d830f31d2a", std::nullopt,
                                  "cdefee2d-2727-4b73-bf77-d9d830f31d2a"};
  const Row rows[] = {
      {"claude prompt", "claude",
       R"({"session_id":"0d6f3c1e-9a4b-4e27-b5d8-71c2e9f04a3b","transcript_path":)"
       R"("/home/ada/.claude/projects/-home-ada-src-shop/0d6f3c1e-9a4b-4e27-b5d8-71c2e9f04a3b.jsonl",)"
       R"("cwd":"/home/ada/src/shop","permission_mode":"default",)"
       R"("hook_event_name":"UserPromptSubmit","prompt":"Fix the cart test"})",
       claude},
      {"codex stop", "codex",
       R"({"cwd":"/home/ada/src/shop","hook_event_name":"Stop","last_assistant_message":"Done.",)"
       R"("model":"gpt-5-codex","permission_mode":"default",)"
       R"("session_id":"019d036d-b1a0-7c43-9e2f-3f0a5d1c8e77","stop_hook_active":false,)"
       R"("transcript_path":null,"turn_id":"019d036d-c7fa-72d2-b6fd-78878bfe34e4"})",
       codex},
      {"grok prompt", "grok",
       R"({"hookEventName":"user_prompt_submit","sessionId":"01a043a2-5c7e-7d11-8f3b-2b9e4a6c0d15",)"
       R"("cwd":"/home/ada/src/shop","workspaceRoot":"/home/ada/src/shop",)"
       R"("timestamp":"2026-08-27T14:32:25.782754+00:00",)"
       R"("promptId":"1f28e0e5-3a9c-4b62-a0d7-6e5f1c2b8d49","permissionMode":"default",)"
       R"("prompt":"<user_query>\nFix the cart test\n</user_query>"})",
       grok},
      {"grok stop at shutdown",
       "grok",
       R"({"hookEventName":"stop","sessionId":"01a043a2-5c7e-7d11-8f3b-2b9e4a6c0d15",)"
       R"("cwd":"/home/ada/src/shop","workspaceRoot":"/home/ada/src/shop",)"
       R"("timestamp":"2026-08-27T14:40:11.031298+00:00","permissionMode":"default",)"
       R"("reason":"shutdown","stopHookActive":false})",
       {grok.holdID, std::nullopt, grok.session}},
      {"cursor stop", "cursor",
       R"({"conversation_id":"cdefee2d-2727-4b73-bf77-d9d830f31d2a",)"
       R"("generation_id":"26b45fb6-bdea-439c-b2dc-5e97ee00ecea","model":"claude-4.5-sonnet",)"
       R"("hook_event_name":"stop","cursor_version":"2.0.77",)"
       R"("workspace_roots":["/home/ada/src/shop"],"user_email":"ada@example.org",)"
       R"("transcript_path":null,"status":"completed","loop_count":0})",
       cursor},
      {"gemini session start",
       "gemini",
       R"({"session_id":"c5a1e7d2-8f34-4b09-9e6a-1d2c3b4a5f60",)"
       R"("transcript_path":"/home/ada/.gemini/tmp/5e8a/chats/session-2026-08-27T14-32-c5a1e7d2.json",)"
       R"("cwd":"/home/ada/src/shop","hook_event_name":"SessionStart",)"
       R"("timestamp":"2026-08-27T14:32:25.782Z","source":"startup"})",
       {"gemini:c5a1e7d2-8f34-4b09-9e6a-1d2c3b4a5f60", std::nullopt,
        "c5a1e7d2-8f34-4b09-9e6a-1d2c3b4a5f60"}},
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
