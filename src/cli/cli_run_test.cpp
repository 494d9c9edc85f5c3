#include "cli/cli_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_fake_application.h"

namespace vigilix {
namespace {

TEST(CLIRunTest, TheCommandRunsAndItsStatusIsTheTools) {
  struct Row {
    const char* name;
    std::vector<std::string> commandLine;
    bool applicationRunning;
    VGXCLIReply watchReply;
    int exitCode;
    std::string notes;
    std::vector<std::string> sent;
  };
  const Row rows[] = {
      {"watched while it runs",
       {"sh", "-c", "exit 7"},
       true,
       VGXCLIReply::ok(),
       7,
       "",
       {"n1|watch|PID|sh", "n2|unwatch|PID|sh"}},
      {"a signal's end is 128 + the signal",
       {"/bin/sh", "-c", "kill -TERM $$"},
       true,
       VGXCLIReply::ok(),
       143,
       "",
       {"n1|watch|PID|sh", "n2|unwatch|PID|sh"}},
      {"no answer, still run",
       {"true"},
       false,
       VGXCLIReply::ok(),
       0,
       kCLIRunWithoutAnswerMessage,
       {"n1|watch|PID|true"}},
      {"a refused watch is told, the command still runs",
       {"sh", "-c", "sleep 0.5"},
       true,
       VGXCLIReply::status(false, "Process watching is off."),
       0,
       "Process watching is off.\n",
       {"n1|watch|PID|sh"}},
      {"a command that cannot start",
       {"/no/such/program"},
       true,
       VGXCLIReply::ok(),
       kCLIExitCannotRun,
       "vigilix: can't run \"/no/such/program\": No such file or directory\n",
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::FakeApplication application;
    application.running = row.applicationRunning;
    application.textReply = row.watchReply;
    VGXCLIClient client(application, 1, testing::countingNonces());
    std::string notes;
    const int exitCode =
        runWatched({.kind = VGXCLICommandKind::run, .commandLine = row.commandLine}, &client,
                   [&](const std::string& text) { notes += text; });
    EXPECT_EQ(exitCode, row.exitCode);
    EXPECT_EQ(notes, row.notes);
    std::vector<std::string> sent = application.sent;
    // The child's process id differs each run.
    for (std::string& request : sent) {
      const std::size_t first = request.find('|', request.find('|') + 1) + 1;
      request.replace(first, request.rfind('|') - first, "PID");
    }
    EXPECT_EQ(sent, row.sent);
  }
}

TEST(CLIRunTest, TheLabelIsTheProgramsName) {
  EXPECT_EQ(runLabel("/usr/bin/make"), "make");
  EXPECT_EQ(runLabel(std::string(250, 'x')), std::string(200, 'x'));
}

}  // namespace
}  // namespace vigilix
