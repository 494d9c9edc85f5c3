#include "agentcontracts/agent_payload.h"

#include "platform/base/text.h"
#include "platform/json/json_reader.h"
#include "platform/json/number_text.h"

namespace vigilix {

namespace json = platform::json;

namespace {

using Keys = std::span<const std::string_view>;

constexpr std::size_t kMaximumHoldID = 200;
constexpr std::size_t kMaximumCorr = 128;

constexpr std::string_view kCursorSessionKeys[] = {
    "conversation_id", "conversationId", "session_id", "sessionId", "session_key", "sessionKey"};
constexpr std::string_view kSessionKeys[] = {"session_id", "sessionId"};
constexpr std::string_view kClaudeCorrelationKeys[] = {"prompt_id", "promptId"};
constexpr std::string_view kCodexCorrelationKeys[] = {"turn_id", "turnId"};
constexpr std::string_view kGrokCorrelationKeys[] = {"promptId", "prompt_id"};
constexpr std::string_view kAgentKeys[] = {"agent_id", "agentId"};

Keys sessionKeys(std::string_view tool) {
  if (tool == "cursor") return kCursorSessionKeys;
  return kSessionKeys;
}

Keys correlationKeys(std::string_view tool) {
  if (tool == "claude") return kClaudeCorrelationKeys;
  if (tool == "codex") return kCodexCorrelationKeys;
  if (tool == "grok") return kGrokCorrelationKeys;
  return {};
}

// A text that is not empty, or a number (true and false count as 1 and 0) in
// its own decimal text.
std::optional<std::string> usable(const json::Value& value) {
  if (value.is_string()) {
    const auto& text = value.get_ref<const std::string&>();
    if (text.empty()) return std::nullopt;
    return text;
  }
  if (value.is_boolean()) return value.get<bool>() ? "1" : "0";
  if (value.is_number_integer()) return value.dump();
  if (value.is_number_float()) return json::numberText(value.get<double>()).value_or("0");
  return std::nullopt;
}

std::optional<std::string> firstUsable(const json::Value& object, Keys keys) {
  for (const std::string_view key : keys) {
    const auto found = object.find(key);
    if (found == object.end()) continue;
    if (auto value = usable(*found)) return value;
  }
  return std::nullopt;
}

}  // namespace

namespace VGXAgentPayload {

std::optional<VGXAgentParsedHook> parse(std::span<const std::uint8_t> data, std::string_view tool) {
  if (data.empty()) return std::nullopt;
  const auto document =
      json::parse(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  if (!document || !document->is_object()) return std::nullopt;
  return parse(*document, tool);
}

std::optional<VGXAgentParsedHook> parse(const json::Value& object, std::string_view tool) {
  if (!object.is_object()) return std::nullopt;
  auto session = firstUsable(object, sessionKeys(tool));
  if (!session) return std::nullopt;
  std::string holdID = std::string(tool) + ":" + *session;
  if (const auto agent = firstUsable(object, kAgentKeys)) holdID += ":" + *agent;
  auto corr = firstUsable(object, correlationKeys(tool));
  if (corr) corr = std::string(platform::prefixGraphemes(*corr, kMaximumCorr));
  return VGXAgentParsedHook{std::string(platform::prefixGraphemes(holdID, kMaximumHoldID)),
                            std::move(corr), std::move(*session)};
}

double defaultTTL(std::string_view tool) {
  return tool == "cursor" || tool == "gemini" ? 3600 : 600;
}

}  // namespace VGXAgentPayload

}  // namespace vigilix
