#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "agenthooks/hook_installer.h"
#include "agenthooks/hooks_file_format.h"

namespace vigilix {
namespace {

using platform::json::Value;

// Commands of the installer below ("/v").
#define START "'/v' agent start --tool gemini --vigilix-hook=v1"
#define END "'/v' agent end --tool gemini --vigilix-hook=v1"
#define OLD "'/old' agent start --tool gemini --vigilix-hook=v1"

std::string sorted(std::string_view json) {
  return renderJSON(*readHooksDocument(json)).value_or("unwritable");
}

struct Row {
  const char* name;
  VGXAgentTool tool;
  const char* before;
  const char* after;  // none: refused, unchanged
  std::optional<std::string> refusal = std::nullopt;
};

TEST(VGXHookInstallerEditsTest, InstallingKeepsEveryForeignValue) {
  const Row rows[] = {
      {"foreign groups, keys, items and events stay", VGXAgentTool::gemini,
       R"({"model":"x","hooks":{"SessionStart":[{"matcher":"m","hooks":[{"command":"u"}]},7],
           "Other":[1]}})",
       R"({"model":"x","hooks":{"SessionStart":[{"matcher":"m","hooks":[{"command":"u"}]},7,
           {"hooks":[{"type":"command","command":")" START R"("}]}],
           "SessionEnd":[{"hooks":[{"type":"command","command":")" END R"("}]}],"Other":[1]}})"},
      {"the first own entry is refreshed in place", VGXAgentTool::gemini,
       R"({"hooks":{"SessionStart":[{"hooks":[{"command":"u"},{"command":")" OLD R"(","t":5}]},
           {"hooks":[{"command":")" OLD R"("}]}],"SessionEnd":[{"hooks":[{"command":")" END
       R"("}]}]}})",
       R"({"hooks":{"SessionStart":[{"hooks":[{"command":"u"},{"command":")" START R"(","t":5}]},
           {"hooks":[{"command":")" OLD R"("}]}],"SessionEnd":[{"hooks":[{"command":")" END
       R"("}]}]}})"},
      {"cursor lists entries", VGXAgentTool::cursor, R"({"hooks":{"stop":[{"command":"u"}]}})",
       R"({"hooks":{"stop":[{"command":"u"},{"command":"'/v' agent stop --tool cursor --vigilix-hook=v1"}],
           "beforeSubmitPrompt":[{"command":"'/v' agent start --tool cursor --vigilix-hook=v1"}],
           "sessionEnd":[{"command":"'/v' agent end --tool cursor --vigilix-hook=v1"}]}})"},
      {"hooks that are no object", VGXAgentTool::gemini, R"({"hooks":[1]})", nullptr,
       "The hooks file holds \u201chooks\u201d in a form Vigilix doesn't recognize."},
      {"an event that is no list", VGXAgentTool::gemini, R"({"hooks":{"SessionEnd":"x"}})", nullptr,
       "The hooks file holds \u201chooks.SessionEnd\u201d in a form Vigilix doesn't recognize."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Value document = *readHooksDocument(row.before);
    const auto done = VGXHookInstaller(row.tool, "f", "/v").installInto(document);
    EXPECT_EQ(done.has_value(), row.after != nullptr);
    if (!done) {
      EXPECT_EQ(done.error().errorDescription, row.refusal);
    }
    EXPECT_EQ(renderJSON(document), sorted(row.after ? row.after : row.before));
  }
}

TEST(VGXHookInstallerEditsTest, RemovingTakesOutOnlyOurEntries) {
  const Row rows[] = {
      {"a shared group keeps the user's entry, an emptied one goes", VGXAgentTool::gemini,
       R"({"hooks":{"SessionStart":[{"matcher":"m","hooks":[{"command":"u"},{"command":")" START
       R"("}]}],
           "SessionEnd":[{"hooks":[{"command":")" END R"("}]}]}})",
       R"({"hooks":{"SessionStart":[{"matcher":"m","hooks":[{"command":"u"}]}]}})"},
      {"shapes we don't know stay", VGXAgentTool::gemini,
       R"({"hooks":{"SessionStart":[{"matcher":"no hooks"},"text",{"hooks":"x"},
           {"hooks":[{"command":"--vigilix-hook=v10"}]}],"SessionEnd":[],"Other":[{"command":")" END
       R"("}]}})",
       R"({"hooks":{"SessionStart":[{"matcher":"no hooks"},"text",{"hooks":"x"},
           {"hooks":[{"command":"--vigilix-hook=v10"}]}],"SessionEnd":[],"Other":[{"command":")" END
       R"("}]}})"},
      {"hooks that are no object", VGXAgentTool::gemini, R"({"hooks":"x"})", R"({"hooks":"x"})"},
      {"cursor entries", VGXAgentTool::cursor,
       R"({"version":1,"hooks":{"stop":[{"command":"x --vigilix-hook=v1"},{"command":"u"}],
           "sessionEnd":[{"command":"y --vigilix-hook=v1"}]}})",
       R"({"version":1,"hooks":{"stop":[{"command":"u"}]}})"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Value document = *readHooksDocument(row.before);
    VGXHookInstaller(row.tool, "f", "/v").removeFrom(document);
    EXPECT_EQ(renderJSON(document), sorted(row.after));
  }
}

std::set<std::string> words(const char* text) {
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// Each tool's hooks file as its documentation shows it, the other events it documents and those
// that end a turn: installing adds no key the tool does not know, and every turn end releases
// (Gemini CLI holds for the whole session).
TEST(VGXHookInstallerEditsTest, EventsAreTheOnesEachToolFires) {
  struct Row {
    VGXAgentTool tool;
    const char* file;
    const char* events;
    const char* releasing;
  };
  const Row rows[] = {
      {VGXAgentTool::claude,
       R"({"hooks":{"PreToolUse":[{"matcher":"Bash","hooks":[{"type":"command",)"
       R"("command":"\"$CLAUDE_PROJECT_DIR\"/.claude/hooks/check.sh","timeout":60}]}]}})",
       "SessionStart UserPromptSubmit PreToolUse PostToolUse Notification SessionEnd",
       "Stop StopFailure"},
      {VGXAgentTool::codex,
       R"({"hooks":{"SessionStart":[{"matcher":"startup|resume","hooks":[{"type":"command",)"
       R"("command":"python3 ~/.codex/hooks/session_start.py",)"
       R"("statusMessage":"Loading session notes"}]}]}})",
       "SessionStart UserPromptSubmit PreToolUse PermissionRequest PostToolUse SessionEnd",
       "Stop Interrupt"},
      {VGXAgentTool::grok,
       R"({"hooks":{"PreToolUse":[{"matcher":"Bash","hooks":[{"type":"command",)"
       R"("command":"bin/safety-check.sh","timeout":10}]}]}})",
       "SessionStart UserPromptSubmit PreToolUse PostToolUse Notification SessionEnd",
       "Stop StopFailure StopCancelled"},
      {VGXAgentTool::cursor,
       R"({"version":1,"hooks":{"afterFileEdit":[{"command":"./hooks/format.sh"}]}})",
       "sessionStart beforeSubmitPrompt beforeShellExecution afterFileEdit sessionEnd", "stop"},
      {VGXAgentTool::gemini,
       R"({"hooks":{"BeforeTool":[{"matcher":"write_file|replace","hooks":[)"
       R"({"name":"security-check","type":"command",)"
       R"("command":"$GEMINI_PROJECT_DIR/.gemini/hooks/security.sh","timeout":5000}]}]}})",
       "SessionStart BeforeAgent AfterAgent BeforeTool AfterTool SessionEnd", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(rawValue(row.tool)));
    Value document = *readHooksDocument(row.file);
    ASSERT_TRUE(VGXHookInstaller(row.tool, "f", "/v").installInto(document));
    std::set<std::string> releasing;
    for (const auto& [event, list] : document["hooks"].items()) {
      if (list.dump().find(" agent stop ") != std::string::npos) releasing.insert(event);
      EXPECT_TRUE(words(row.events).contains(event) || words(row.releasing).contains(event))
          << event;
    }
    EXPECT_EQ(releasing, words(row.releasing));
  }
}

TEST(VGXHookInstallerEditsTest, ThePlanIsWhatAnEmptyFileGets) {
  for (const VGXAgentTool tool : kAllAgentTools) {
    SCOPED_TRACE(std::string(rawValue(tool)));
    const VGXHookInstaller installer(tool, "f", "/v");
    Value document = Value::object();
    ASSERT_TRUE(installer.installInto(document));
    EXPECT_EQ(renderJSON(document), renderJSON(installer.plannedDocument()));
  }
  EXPECT_EQ(renderJSON(*readHooksDocument(R"({"b":"/x","a":[1.5]})")),
            "{\n  \"a\" : [\n    1.5\n  ],\n  \"b\" : \"/x\"\n}");
}

}  // namespace
}  // namespace vigilix
