// The built guard program's command line: exit statuses and what it prints.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "dbus/test_child_process.h"
#include "testing/scoped_environment.h"
#include "testing/temporary_folder.h"

namespace vigilix::testing {
namespace {

namespace fs = std::filesystem;

TEST(GuardEntryTest, ExitStatusesAndMessages) {
  if (::geteuid() != 0) GTEST_SKIP() << "rows run the guard as root and as another user";
  enum class StateFolder { none, everyoneWritable };
  const std::string longest(64, 'a');
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    bool asNobody;
    StateFolder state;
    int status;
    std::string output;
  } rows[] = {
      {"the guard as another user",
       {},
       true,
       StateFolder::everyoneWritable,
       78,
       "VigilixSleepGuard: must run as root\n"},
      {"the guard on a state folder anyone may write",
       {},
       false,
       StateFolder::everyoneWritable,
       78,
       "VigilixSleepGuard: state directory: io(\"unsafePath\")\n"},
      {"an argument too many", {"extra"}, false, StateFolder::none, 64, ""},
      {"one identifier only", {"--finish-uninstall", "T-1"}, false, StateFolder::none, 64, ""},
      {"another flag", {"--finish", "T-1", "7"}, false, StateFolder::none, 64, ""},
      {"an empty identifier", {"--finish-uninstall", "", "7"}, false, StateFolder::none, 64, ""},
      {"an identifier of 65 characters",
       {"--finish-uninstall", longest + "a", "7"},
       false,
       StateFolder::none,
       64,
       ""},
      {"an underscore", {"--finish-uninstall", "T_1", "7"}, false, StateFolder::none, 64, ""},
      {"a dot", {"--finish-uninstall", "T-1", "7.0"}, false, StateFolder::none, 64, ""},
      {"a letter beyond ASCII",
       {"--finish-uninstall", "T-é", "7"},
       false,
       StateFolder::none,
       64,
       ""},
      {"finishing without a state folder",
       {"--finish-uninstall", longest, "7"},
       false,
       StateFolder::none,
       1,
       ""},
      {"finishing as another user is not refused for the user",
       {"--finish-uninstall", "T-1", "7"},
       true,
       StateFolder::none,
       1,
       ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const fs::path root = makeTemporaryFolder("vigilix-guard-entry");
    ::chmod(root.c_str(), 0755);
    const fs::path state = root / "var/lib/vigilix";
    if (row.state == StateFolder::everyoneWritable) {
      fs::create_directories(state);
      ::chmod(state.c_str(), 0777);
    }
    ScopedEnvironment moved("VIGILIX_ROOT", root.string());

    std::vector<std::string> argv;
    if (row.asNobody)
      argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    argv.push_back(VIGILIX_GUARD_PROGRAM);
    argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
    TestChildProcess run(argv, root / "output.log");
    EXPECT_EQ(run.wait(), row.status);
    EXPECT_EQ(readFile(root / "output.log"), row.output);
    // Refusals touch nothing: no state folder appears where there was none.
    if (row.state == StateFolder::none) {
      EXPECT_FALSE(fs::exists(state));
    }

    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
}

}  // namespace
}  // namespace vigilix::testing
