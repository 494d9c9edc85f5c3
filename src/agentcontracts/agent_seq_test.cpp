#include "agentcontracts/agent_seq.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "platform/fs/fs_faults.h"
#include "testing/agent_files_fixture.h"

namespace vigilix {
namespace {

using platform::FileSystem;
using platform::FsCall;
using platform::FsFault;
using platform::FsFaults;

class AgentSeqTest : public AgentFilesTest {
 protected:
  const std::filesystem::path folder = root.home() / "state/agent-seq";
  // The lower-case SHA-256 of "claude:s1".
  const std::filesystem::path file =
      folder / "e25e1af58555c8d7d9e818b5b0c95ba86f9beb6c277c5f82815b230959a56822";
};

TEST_F(AgentSeqTest, CountsInADecimalFileNamedForTheSession) {
  struct Row {
    const char* name;
    std::optional<std::string> before;  // none: no file
    bool increment;
    std::optional<std::int64_t> value;  // none: an error
    std::optional<std::string> after;
    std::optional<std::string> keptAside{};
  };
  const Row rows[] = {
      {"a new session counts from 1", std::nullopt, true, 1, "1"},
      {"a read of a new session leaves an empty file", std::nullopt, false, 0, ""},
      {"white space around the digits", " 41\n", true, 42, "42"},
      {"a leading plus", "+7", true, 8, "8"},
      {"a negative value", "-3", true, -2, "-2"},
      {"a read writes nothing", "41", false, 41, "41"},
      {"letters are kept aside and counting restarts", "abc", true, 1, "1", "abc"},
      {"a read of letters gives 0 and writes nothing", "abc", false, 0, "abc"},
      {"more than 32 bytes are damaged", std::string(40, '1'), true, 1, "1", std::string(40, '1')},
      {"the largest value is never passed", "9223372036854775807", true, std::nullopt,
       "9223372036854775807"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all(folder);
    if (row.before) {
      write(file, *row.before);
    }
    const auto value = VGXAgentSeq::value("claude:s1", row.increment, folder);
    EXPECT_EQ(value ? std::optional(*value) : std::nullopt, row.value);
    EXPECT_EQ(contents(file), row.after);
    EXPECT_EQ(damagedCopy(file), row.keptAside);
  }
}

TEST_F(AgentSeqTest, AFailedStepIsAnErrorAndNeverARestart) {
  const struct {
    const char* name;
    FsFault fault;
  } rows[] = {
      {"open", FsFault::failing(FsCall::openAt, EACCES)},
      {"lock", FsFault::failing(FsCall::lock, ENOLCK)},
      {"read", FsFault::failing(FsCall::read, EIO)},
      {"write", FsFault::failing(FsCall::write, ENOSPC)},
      {"truncate", FsFault::failing(FsCall::truncate, EIO)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    write(file, "+99\n");
    FsFaults::inject(row.fault);
    EXPECT_FALSE(VGXAgentSeq::value("claude:s1", true, folder).has_value());
    FsFaults::clear();
    EXPECT_NE(VGXAgentSeq::value("claude:s1", false, folder).value_or(0), 0);
  }
  // A folder that cannot hold the counter.
  write(root.home() / "blocked", "");
  EXPECT_FALSE(VGXAgentSeq::value("claude:s1", true, root.home() / "blocked").has_value());
}

TEST_F(AgentSeqTest, ConcurrentIncrementsNeverShareANumber) {
  std::set<std::int64_t> values[2];
  std::thread workers[2];
  for (int w = 0; w < 2; ++w) {
    workers[w] = std::thread([&, w] {
      for (int i = 0; i < 50; ++i)
        values[w].insert(VGXAgentSeq::value("claude:s1", true, folder).value_or(-1));
    });
  }
  for (auto& worker : workers) worker.join();
  std::set<std::int64_t> all = values[0];
  all.insert(values[1].begin(), values[1].end());
  EXPECT_EQ(all.size(), 100u);
  EXPECT_EQ(*all.rbegin(), 100);
}

}  // namespace
}  // namespace vigilix
