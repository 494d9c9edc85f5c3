#include "agentcontracts/agent_hook_log.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "testing/agent_files_fixture.h"

namespace vigilix {
namespace {

using platform::FileSystem;

class AgentHookLogTest : public AgentFilesTest {
 protected:
  const std::filesystem::path file = root.home() / "state/agent-hooks.json";
};

TEST_F(AgentHookLogTest, AppendsPrettyPrintedSortedRecordsAndKeepsTheLastTwenty) {
  ASSERT_TRUE(VGXAgentHookLog::append("claude", "start", "sent", file).has_value());
  EXPECT_EQ(contents(file), R"({
  "events" : [
    {
      "at" : "2026-12-09T12:03:16.250Z",
      "event" : "start",
      "result" : "sent",
      "tool" : "claude"
    }
  ]
})");
  EXPECT_EQ(
      VGXAgentHookLog::read(file),
      (std::vector<VGXAgentHookRecord>{{"2026-12-09T12:03:16.250Z", "claude", "start", "sent"}}));
}

TEST_F(AgentHookLogTest, ReadsOnlyCompleteRecordsOfAWellFormedLog) {
  const struct {
    const char* name;
    const char* text;
    std::vector<std::string> events;
  } rows[] = {
      {"incomplete records are skipped",
       R"({"events":[{"at":"a","tool":"t","event":"kept","result":"r"},
                     {"at":"a","tool":"t","event":"no result"},
                     {"at":"a","tool":7,"event":"number tool","result":"r"}]})",
       {"kept"}},
      {"not JSON", "{", {}},
      {"no events", R"({"other":[]})", {}},
      {"events of other values",
       R"({"events":[{"at":"a","tool":"t","event":"e","result":"r"},1]})",
       {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    write(file, row.text);
    std::vector<std::string> events;
    for (const auto& record : VGXAgentHookLog::read(file)) events.push_back(record.event);
    EXPECT_EQ(events, row.events);
  }
  EXPECT_TRUE(VGXAgentHookLog::read(root.home() / "missing.json").empty());
}

TEST_F(AgentHookLogTest, NeverWritesOverALogItCouldNotRead) {
  write(file, "{damaged");
  ASSERT_TRUE(VGXAgentHookLog::append("grok", "start", "sent", file).has_value());
  EXPECT_EQ(VGXAgentHookLog::read(file).size(), 1u);
  EXPECT_EQ(damagedCopy(file), "{damaged");

  const auto kept = contents(file);
  FileSystem::injectFailure(FileSystem::Operation::Read, file, EIO);
  EXPECT_FALSE(VGXAgentHookLog::append("grok", "stop", "sent", file).has_value());
  FileSystem::clearInjectedFailures();
  EXPECT_EQ(contents(file), kept);

  FileSystem::injectFailure(FileSystem::Operation::Write, file, ENOSPC);
  EXPECT_FALSE(VGXAgentHookLog::append("grok", "stop", "sent", file).has_value());
}

// A hook killed while writing leaves its temporary file; the next append removes the log's own,
// and only those.
TEST_F(AgentHookLogTest, AnAppendRemovesTheTemporaryFilesOfKilledWrites) {
  struct Row {
    const char* name;
    std::string file;
    bool removed;
  };
  const Row rows[] = {
      {"the log's temporary file", ".agent-hooks.json.tmp-Ab12Cd", true},
      {"another file's", ".tool-versions.json.tmp-Ab12Cd", false},
      {"not six letters", ".agent-hooks.json.tmp-Ab12", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    write(file.parent_path() / row.file, "{\"events\":[");
    ASSERT_TRUE(VGXAgentHookLog::append("claude", "start", "ok", file).has_value());
    EXPECT_EQ(FileSystem::exists(file.parent_path() / row.file), !row.removed);
  }
}

}  // namespace
}  // namespace vigilix
