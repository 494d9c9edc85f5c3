#include "agenthooks/agent_tool.h"

#include <utility>

#include "platform/base/localized.h"
#include "platform/base/raw_values.h"

namespace vigilix {

namespace {

// Every event that ends a turn releases it, also one that ends it with an API error or a
// cancellation, so that the hold does not outlast the turn. Only events the tool documents:
// Claude Code skips a whole settings file over one it does not know.
constexpr VGXHookEvent kClaudeEvents[] = {{"UserPromptSubmit", VGXHookVerb::start},
                                          {"Stop", VGXHookVerb::stop},
                                          {"StopFailure", VGXHookVerb::stop},
                                          {"SessionEnd", VGXHookVerb::end}};
constexpr VGXHookEvent kCodexEvents[] = {{"UserPromptSubmit", VGXHookVerb::start},
                                         {"Stop", VGXHookVerb::stop},
                                         {"Interrupt", VGXHookVerb::stop},
                                         {"SessionEnd", VGXHookVerb::end}};
constexpr VGXHookEvent kGrokEvents[] = {{"UserPromptSubmit", VGXHookVerb::start},
                                        {"Stop", VGXHookVerb::stop},
                                        {"StopFailure", VGXHookVerb::stop, true},
                                        {"StopCancelled", VGXHookVerb::stop},
                                        {"SessionEnd", VGXHookVerb::end}};
constexpr VGXHookEvent kCursorEvents[] = {{"beforeSubmitPrompt", VGXHookVerb::start},
                                          {"stop", VGXHookVerb::stop},
                                          {"sessionEnd", VGXHookVerb::end}};
constexpr VGXHookEvent kGeminiEvents[] = {{"SessionStart", VGXHookVerb::start},
                                          {"SessionEnd", VGXHookVerb::end}};

constexpr const char* kTurnNote =
    "Stays awake while a turn runs, for up to 10 minutes after the last prompt, even if the "
    "turn is still running.";

struct ToolRow {
  VGXAgentTool tool;
  std::string_view rawValue;
  const char* displayName;
  const char* note;
  const char* noteComment;
  std::string_view hooksFile;  // relative to the home folder
  std::span<const VGXHookEvent> events;
};

constexpr ToolRow kTools[] = {
    {VGXAgentTool::claude, "claude", "Claude Code", kTurnNote,
     "Claude/Codex/Grok agent-mode footer", ".claude/settings.json", kClaudeEvents},
    {VGXAgentTool::codex, "codex", "Codex", kTurnNote, "Claude/Codex/Grok agent-mode footer",
     ".codex/hooks.json", kCodexEvents},
    {VGXAgentTool::grok, "grok", "Grok", kTurnNote, "Claude/Codex/Grok agent-mode footer",
     ".grok/hooks/vigilix.json", kGrokEvents},
    {VGXAgentTool::cursor, "cursor", "Cursor",
     "Stays awake while a turn runs, for up to 60 minutes after the last prompt, even if the "
     "turn is still running.",
     "Cursor agent-mode footer", ".cursor/hooks.json", kCursorEvents},
    {VGXAgentTool::gemini, "gemini", "Gemini CLI", "Stays awake while a Gemini session is open.",
     "Gemini agent-mode footer", ".gemini/settings.json", kGeminiEvents},
};

constexpr std::pair<VGXHookVerb, std::string_view> kVerbs[] = {
    {VGXHookVerb::start, "start"}, {VGXHookVerb::stop, "stop"}, {VGXHookVerb::end, "end"}};

const ToolRow& rowOf(VGXAgentTool tool) {
  for (const ToolRow& row : kTools) {
    if (row.tool == tool) return row;
  }
  return kTools[0];
}

}  // namespace

std::optional<VGXAgentTool> agentToolFromRawValue(std::string_view raw) {
  for (const ToolRow& row : kTools) {
    if (row.rawValue == raw) return row.tool;
  }
  return std::nullopt;
}

std::string_view rawValue(VGXAgentTool tool) { return rowOf(tool).rawValue; }

std::string displayName(VGXAgentTool tool) {
  return platform::localized(rowOf(tool).displayName, "Agent tool name");
}

std::string stayAwakeNote(VGXAgentTool tool) {
  const ToolRow& row = rowOf(tool);
  return platform::localized(row.note, row.noteComment);
}

std::string_view rawValue(VGXHookVerb verb) { return platform::rawValueIn(kVerbs, verb); }

std::span<const VGXHookEvent> hookEvents(VGXAgentTool tool) { return rowOf(tool).events; }

std::filesystem::path hooksFileURL(VGXAgentTool tool, const std::filesystem::path& home) {
  return home / rowOf(tool).hooksFile;
}

std::filesystem::path toolFolderURL(VGXAgentTool tool, const std::filesystem::path& hooksFile) {
  const auto parent = hooksFile.parent_path();
  return tool == VGXAgentTool::grok ? parent.parent_path() : parent;
}

}  // namespace vigilix
