#include "platform/process/detached_spawn.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "testing/temporary_folder.h"

namespace vigilix::platform {
namespace {

TEST(DetachedSpawnTest, TheChildHasItsOwnSessionOnlyTheGivenEnvironmentAndNoStreams) {
  struct Row {
    const char* name;
    std::vector<std::string> environment;
    std::string environText;  // /proc/<pid>/environ, NULs shown as '|'
  };
  const Row rows[] = {
      {"empty", {}, ""},
      {"two variables", {"VIGILIX_ROOT=/tmp/r", "A=b"}, "VIGILIX_ROOT=/tmp/r|A=b|"},
  };
  const auto folder = testing::makeTemporaryFolder("vigilix-spawn");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto out = folder / "facts";
    // The shell reports what the kernel says of it: its session, its
    // streams and the environment it was started with.
    const std::string script =
        "streams=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2); "
        "{ cut -d' ' -f6 /proc/$$/stat; echo \"$streams\"; tr '\\0' '|' < /proc/$$/environ; } > '" +
        out.string() + "'";
    auto pid = spawnDetached("/bin/sh", {"/bin/sh", "-c", script}, row.environment);
    ASSERT_TRUE(pid.has_value()) << pid.error();
    int status = 0;
    ASSERT_EQ(::waitpid(*pid, &status, 0), *pid);
    std::ifstream in(out);
    const std::string facts{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(facts,
              std::to_string(*pid) + "\n/dev/null\n/dev/null\n/dev/null\n" + row.environText);
  }
  std::filesystem::remove_all(folder);
}

TEST(DetachedSpawnTest, AProgramThatCannotStartIsAFailureWithItsErrorNumber) {
  auto pid = spawnDetached("/nonexistent/program", {"/nonexistent/program"}, {});
  ASSERT_FALSE(pid.has_value());
  EXPECT_EQ(pid.error(), "spawn finisher 2");
}

}  // namespace
}  // namespace vigilix::platform
