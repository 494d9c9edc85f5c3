// The built `vigilix` tool against the built application, as an agent's hooks run it.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "agenthooks/hook_command.h"
#include "agenthooks/hook_installer.h"
#include "agenthooks/hooks_file_format.h"
#include "app/app_end_to_end_fixture.h"
#include "cli/cli_bus_transport.h"
#include "dbus/answering_bus.h"
#include "platform/dbus/bus_connection.h"

namespace vigilix::testing {
namespace {

// Claude Code's hook input as it sends it, for each event: no prompt id.
constexpr const char* kPayload =
    R"({"session_id":"s1","transcript_path":"/home/ada/.claude/projects/-home-ada-shop/s1.jsonl",)"
    R"("cwd":"/home/ada/shop","permission_mode":"default","hook_event_name":"UserPromptSubmit",)"
    R"("prompt":"Fix the cart test"})";
constexpr const char* kNextPrompt =
    R"({"session_id":"s1","transcript_path":"/home/ada/.claude/projects/-home-ada-shop/s1.jsonl",)"
    R"("cwd":"/home/ada/shop","permission_mode":"default","hook_event_name":"UserPromptSubmit",)"
    R"("prompt":"Now run the whole suite"})";
constexpr const char* kStop =
    R"({"session_id":"s1","transcript_path":"/home/ada/.claude/projects/-home-ada-shop/s1.jsonl",)"
    R"("cwd":"/home/ada/shop","permission_mode":"default","hook_event_name":"Stop",)"
    R"("stop_hook_active":false})";
constexpr const char* kSessionEnd =
    R"({"session_id":"s1","transcript_path":"/home/ada/.claude/projects/-home-ada-shop/s1.jsonl",)"
    R"("cwd":"/home/ada/shop","permission_mode":"default","hook_event_name":"SessionEnd",)"
    R"("reason":"exit"})";

// Grok's hook input as its envelope carries it: camelCase, the event in snake case, and the
// turn's prompt id also on a turn that ends with an API error.
constexpr const char* kGrokPrompt =
    R"({"hookEventName":"user_prompt_submit","sessionId":"g1","cwd":"/home/ada/shop",)"
    R"("workspaceRoot":"/home/ada/shop","timestamp":"2026-08-27T14:32:25.782754+00:00",)"
    R"("promptId":"p1","permissionMode":"default","prompt":"<user_query>\nFix it\n</user_query>"})";
constexpr const char* kGrokStopFailure =
    R"({"hookEventName":"stop_failure","sessionId":"g1","cwd":"/home/ada/shop",)"
    R"("workspaceRoot":"/home/ada/shop","timestamp":"2026-08-27T14:33:02.118204+00:00",)"
    R"("promptId":"p1","error":"rate_limit","errorDetails":"429 from upstream",)"
    R"("lastAssistantMessage":"Rate limited."})";

class CLIEndToEndTest : public AppEndToEndFixture {
 protected:
  // The agent is Claude Code as npm installs it, in miniature: `node` running the package's
  // cli.js (a shell and a script under those names), which runs each hook in a shell of its own.
  CLIEndToEndTest() {
    std::filesystem::create_directories(home_ / "bin");
    std::filesystem::copy_file("/bin/sh", node_);
    std::filesystem::create_directories(cli_.parent_path());
    std::ofstream(cli_) << "/bin/sh -c \"printf '%s' '$1' | '" << VIGILIX_CLI_PROGRAM
                        << "' agent $2 --tool claude --vigilix-hook=v1\"\n"
                           "echo $? > \"$3\"\n"
                           "while :; do sleep 0.1; done\n";
  }

  // Runs the tool to the end: its exit status, what it printed in `output`.
  int tool(const std::vector<std::string>& arguments, std::string* output = nullptr) {
    std::vector<std::string> argv{VIGILIX_CLI_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::filesystem::remove(home_ / "tool.log");
    TestChildProcess run(argv, home_ / "tool.log");
    const int status = run.wait();
    if (output) *output = readFile(home_ / "tool.log");
    return status;
  }

  // An agent that runs the hook with the payload on its standard input and then keeps working;
  // the hook has ended, with status 0, on return.
  std::unique_ptr<TestChildProcess> agentRunningHook(const std::string& verb,
                                                     const std::string& payload = kPayload) {
    const std::filesystem::path done = home_ / ("hook-" + verb);
    std::filesystem::remove(done);
    auto agent = std::make_unique<TestChildProcess>(
        std::vector<std::string>{node_.string(), cli_.string(), payload, verb, done.string()},
        home_ / "agent.log");
    EXPECT_TRUE(waitUntil([&] { return readFile(done) == "0\n"; }))
        << readFile(done) << readFile(home_ / "agent.log");
    return agent;
  }

  // The application's holds, by id and tool; null when it does not answer.
  nlohmann::json holds() {
    std::string output;
    if (tool({"holds", "--json"}, &output) != 0) return nullptr;
    nlohmann::json listed = nlohmann::json::object();
    for (const auto& hold : nlohmann::json::parse(output).value("holds", nlohmann::json::array())) {
      listed[hold["id"].get<std::string>()] = hold.value("tool", "");
    }
    return listed;
  }

  std::string hookLog() const { return readFile(home_ / ".local/state/vigilix/agent-hooks.json"); }

  // An agent as its native build runs, Claude Code unless named: a process whose file has the
  // agent's name, which runs each hook event's command in a shell of its own with the event on
  // standard input, and works on between events. Each numbered file in `requests_` asks for one
  // event: its input file, the hook's own support folder (empty: the usual one) and command.
  std::unique_ptr<TestChildProcess> startAgent(const std::string& name = "claude") {
    std::filesystem::create_directories(requests_);
    std::filesystem::copy_file("/bin/sh", home_ / "bin" / name);
    std::ofstream(home_ / "agent.sh")
        << "n=1\n"
           "while :; do\n"
           "  if [ -e \"$1/$n\" ]; then\n"
           "    { read -r input; read -r support; read -r command; } < \"$1/$n\"\n"
           "    with=''; [ -n \"$support\" ] && with=\"VIGILIX_AGENT_SUPPORT='$support' \"\n"
           "    /bin/sh -c \"$with$command < '$input'\"\n"
           "    echo $? > \"$1/$n.done\"\n"
           "    n=$((n + 1))\n"
           "  fi\n"
           "  sleep 0.05\n"
           "done\n";
    return std::make_unique<TestChildProcess>(
        std::vector<std::string>{(home_ / "bin" / name).string(), (home_ / "agent.sh").string(),
                                 requests_.string()},
        home_ / (name + ".log"));
  }

  // Has the agent run one hook event; true once its hook has ended with status 0.
  bool agentEvent(const std::string& command, const std::string& input,
                  const std::filesystem::path& support = {}) {
    const std::string number = std::to_string(++events_);
    const std::filesystem::path inputFile = home_ / ("input-" + number + ".json");
    std::ofstream(inputFile) << input;
    std::ofstream(home_ / "request") << inputFile.string() << '\n'
                                     << support.string() << '\n'
                                     << command << '\n';
    std::filesystem::rename(home_ / "request", requests_ / number);
    return waitUntil([&] { return readFile(requests_ / (number + ".done")) == "0\n"; });
  }
  bool claudeEvent(VGXHookVerb verb, const std::string& input,
                   const std::filesystem::path& support = {}) {
    return agentEvent(hookCommand(VGXAgentTool::claude, verb, VIGILIX_CLI_PROGRAM), input, support);
  }

  const std::filesystem::path requests_ = home_ / "claude-requests";
  int events_ = 0;

  const std::filesystem::path node_ = home_ / "bin/node";
  const std::filesystem::path cli_ = home_ / "lib/node_modules/@anthropic-ai/claude-code/cli.js";
};

TEST_F(CLIEndToEndTest, AnAgentsHooksHoldWhileItWorks) {
  startApplication();
  ASSERT_TRUE(waitUntil([&] { return holds().is_object(); })) << readFile(home_ / "app.log");
  const nlohmann::json held = {{"claude:s1", "claude"}};
  const nlohmann::json none = nlohmann::json::object();

  auto agent = agentRunningHook("start");
  EXPECT_TRUE(waitUntil([&] { return holds() == held; })) << hookLog();
  EXPECT_TRUE(waitUntil([&] { return listedInhibitors().find("Vigilix: ") != std::string::npos; }))
      << readFile(home_ / "app.log");
  // The hook's own shell has long ended; the hold is the agent's.
  std::string status;
  for (int round = 0; round < 3; ++round) EXPECT_EQ(tool({"status"}, &status), 0) << status;
  EXPECT_EQ(holds(), held) << hookLog();

  agentRunningHook("stop", kStop);
  EXPECT_TRUE(waitUntil([&] { return holds() == none; })) << hookLog();

  agent = agentRunningHook("start");
  ASSERT_TRUE(waitUntil([&] { return holds() == held; })) << hookLog();
  agent->stop(SIGKILL);
  EXPECT_TRUE(waitUntil([&] { return holds() == none; })) << hookLog();
  EXPECT_TRUE(waitUntil([&] { return listedInhibitors().find("Vigilix: ") == std::string::npos; }))
      << listedInhibitors();
}

// Claude Code names no prompt in its hook input: the turn's Stop alone ends its hold, while the
// agent waits for the next prompt.
TEST_F(CLIEndToEndTest, AClaudeTurnEndsAtItsStop) {
  startApplication();
  ASSERT_TRUE(waitUntil([&] { return holds().is_object(); })) << readFile(home_ / "app.log");
  const nlohmann::json held = {{"claude:s1", "claude"}};
  const nlohmann::json none = nlohmann::json::object();
  auto claude = startAgent();

  ASSERT_TRUE(claudeEvent(VGXHookVerb::start, kPayload)) << readFile(home_ / "claude.log");
  EXPECT_EQ(holds(), held) << hookLog();
  ASSERT_TRUE(claudeEvent(VGXHookVerb::stop, kStop));
  EXPECT_TRUE(waitUntil([&] { return holds() == none; }, std::chrono::seconds(1))) << hookLog();
  EXPECT_TRUE(claude->running());

  ASSERT_TRUE(claudeEvent(VGXHookVerb::start, kNextPrompt));
  EXPECT_EQ(holds(), held) << hookLog();
  ASSERT_TRUE(claudeEvent(VGXHookVerb::end, kSessionEnd));
  EXPECT_EQ(holds(), none) << hookLog();
  EXPECT_EQ(hookLog().find("ignored"), std::string::npos) << hookLog();
}

// A Stop of the earlier turn that counted before the next prompt and arrives after it: it has
// the counters as they stood in its turn (a copy of them).
TEST_F(CLIEndToEndTest, ALateStopOfAnEarlierTurnLeavesTheNextTurnHeld) {
  startApplication();
  ASSERT_TRUE(waitUntil([&] { return holds().is_object(); })) << readFile(home_ / "app.log");
  const nlohmann::json held = {{"claude:s1", "claude"}};
  auto claude = startAgent();
  const std::filesystem::path counters = home_ / ".local/state/vigilix/agent-seq";
  const std::filesystem::path late = home_ / "late-stop";

  ASSERT_TRUE(claudeEvent(VGXHookVerb::start, kPayload)) << readFile(home_ / "claude.log");
  std::filesystem::create_directories(late);
  std::filesystem::copy(counters, late / "agent-seq");
  ASSERT_TRUE(claudeEvent(VGXHookVerb::start, kNextPrompt));
  ASSERT_TRUE(claudeEvent(VGXHookVerb::stop, kStop, late));
  EXPECT_EQ(holds(), held) << hookLog();
  EXPECT_NE(
      readFile(late / "agent-hooks.json").find(R"("result" : "ignored: corr or seq mismatch")"),
      std::string::npos)
      << readFile(late / "agent-hooks.json");

  // The next turn's own Stop ends it.
  ASSERT_TRUE(claudeEvent(VGXHookVerb::stop, kStop));
  EXPECT_TRUE(
      waitUntil([&] { return holds() == nlohmann::json::object(); }, std::chrono::seconds(1)))
      << hookLog();
}

// Grok runs the commands of the hooks file installed for it: a turn that ends with an API error
// ends its hold at the StopFailure.
TEST_F(CLIEndToEndTest, AGrokTurnThatFailsEndsAtItsStopFailure) {
  const std::filesystem::path file = hooksFileURL(VGXAgentTool::grok, home_);
  ASSERT_TRUE(VGXHookInstaller(VGXAgentTool::grok, file, VIGILIX_CLI_PROGRAM).install());
  const platform::json::Value hooks = (*readHooksDocument(readFile(file)))["hooks"];
  auto command = [&](const char* event) {  // empty: an event the file has no entry for
    return hooks.contains(event) ? hooks[event][0]["hooks"][0]["command"].get<std::string>() : "";
  };
  startApplication();
  ASSERT_TRUE(waitUntil([&] { return holds().is_object(); })) << readFile(home_ / "app.log");
  auto grok = startAgent("grok");

  ASSERT_TRUE(agentEvent(command("UserPromptSubmit"), kGrokPrompt)) << readFile(home_ / "grok.log");
  EXPECT_EQ(holds(), (nlohmann::json{{"grok:g1", "grok"}})) << hookLog();
  ASSERT_TRUE(agentEvent(command("StopFailure"), kGrokStopFailure));
  EXPECT_TRUE(
      waitUntil([&] { return holds() == nlohmann::json::object(); }, std::chrono::seconds(1)))
      << hookLog();
  EXPECT_EQ(hookLog().find("ignored"), std::string::npos) << hookLog();
}

TEST_F(CLIEndToEndTest, APersonsStopOutlastsTheAgentsNextPrompts) {
  startApplication();
  ASSERT_TRUE(waitUntil([&] { return holds().is_object(); })) << readFile(home_ / "app.log");
  const nlohmann::json none = nlohmann::json::object();
  auto agent = agentRunningHook("start");
  ASSERT_TRUE(waitUntil([&] {
    return holds() == nlohmann::json{{"claude:s1", "claude"}};
  })) << hookLog();

  TestChildProcess stop({VIGILIX_APP_PROGRAM, "vigilix:///deactivate"}, home_ / "stop.log");
  EXPECT_EQ(stop.wait(), 0) << readFile(home_ / "stop.log");
  EXPECT_TRUE(waitUntil([&] { return holds() == none; })) << hookLog();

  for (const char* prompt : {kNextPrompt, kPayload}) {
    SCOPED_TRACE(prompt);
    agent = agentRunningHook("start", prompt);
    EXPECT_EQ(holds(), none) << hookLog();
  }
  EXPECT_NE(hookLog().find(R"("result" : "stopped for this session")"), std::string::npos)
      << hookLog();

  // The agent's next session holds again.
  agent = agentRunningHook(
      "start",
      R"({"session_id":"s2","transcript_path":"/home/ada/.claude/projects/-home-ada-shop/s2.jsonl",)"
      R"("cwd":"/home/ada/shop","permission_mode":"default","hook_event_name":"UserPromptSubmit",)"
      R"("prompt":"Start over"})");
  EXPECT_TRUE(waitUntil([&] {
    return holds() == nlohmann::json{{"claude:s2", "claude"}};
  })) << hookLog();
}

TEST_F(CLIEndToEndTest, WithoutTheApplicationHooksGoOnAndPeopleAreTold) {
  agentRunningHook("start");
  EXPECT_NE(hookLog().find(R"("result" : "no reply")"), std::string::npos) << hookLog();

  std::string output;
  EXPECT_EQ(tool({"status"}, &output), 3);
  EXPECT_EQ(output, "Vigilix didn't answer. Is the application running?\n");

  // A bus that refuses the tool: the person is told why.
  answerOnce(home_ / "refusing-bus", "REJECTED EXTERNAL\r\n", [&] {
    ScopedEnvironment busAddress("DBUS_SESSION_BUS_ADDRESS",
                                 "unix:path=" + (home_ / "refusing-bus").string());
    EXPECT_EQ(tool({"status"}, &output), 3);
  });
  EXPECT_EQ(output,
            "Vigilix can't be reached: the session bus refused this user (\"REJECTED EXTERNAL\"): "
            "Permission denied\n");
}

TEST_F(CLIEndToEndTest, ACommandRunThroughTheToolKeepsAwakeUntilItEnds) {
  startApplication();
  std::string status;
  ASSERT_TRUE(waitUntil([&] { return tool({"status"}, &status) == 0; })) << status;
  const std::string notAwake = status;
  const std::filesystem::path go = home_ / "go";
  TestChildProcess run({VIGILIX_CLI_PROGRAM, "run", "--", "sh", "-c",
                        "while [ ! -e '" + go.string() + "' ]; do sleep 0.05; done; exit 5"},
                       home_ / "run.log");
  EXPECT_TRUE(waitUntil([&] { return tool({"status"}, &status) == 0 && status != notAwake; }))
      << status << readFile(home_ / "run.log");
  EXPECT_TRUE(status.starts_with("Keeping awake")) << status;
  std::ofstream(go).close();
  EXPECT_EQ(run.wait(), 5) << readFile(home_ / "run.log");
  EXPECT_TRUE(waitUntil([&] { return tool({"status"}, &status) == 0 && status == notAwake; }))
      << status;

  // Signals sent to the tool end the command, whose status the tool takes.
  TestChildProcess interrupted({VIGILIX_CLI_PROGRAM, "run", "--", "sleep", "30"},
                               home_ / "interrupted.log");
  EXPECT_TRUE(waitUntil([&] { return tool({"status"}, &status) == 0 && status != notAwake; }));
  ::kill(interrupted.pid(), SIGINT);
  EXPECT_EQ(interrupted.wait(), 128 + SIGINT) << readFile(home_ / "interrupted.log");
}

// Ctrl-C at the terminal reaches the command once: the terminal sends it to the process group
// the command shares with the tool. A signal sent to the tool alone is passed on.
TEST_F(CLIEndToEndTest, ACtrlCAtTheTerminalReachesTheCommandOnce) {
  const std::filesystem::path record = home_ / "signals";
  const std::filesystem::path ready = home_ / "ready";
  const std::string script = "trap 'echo INT >> " + record.string() + "' INT; trap 'echo TERM >> " +
                             record.string() + "; exit 0' TERM; : > " + ready.string() +
                             "; while :; do sleep 0.05; done";
  int terminal = -1;
  const pid_t run = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (run == 0) {
    ::execl(VIGILIX_CLI_PROGRAM, VIGILIX_CLI_PROGRAM, "run", "--", "/bin/sh", "-c", script.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ASSERT_GT(run, 0);
  ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(ready); }));
  // Stopped, the tool can pass the terminal's signal on only after the command has taken it.
  int status = 0;
  ::kill(run, SIGSTOP);
  ASSERT_EQ(::waitpid(run, &status, WUNTRACED), run);
  ASSERT_EQ(::write(terminal, "\x03", 1), 1);
  EXPECT_TRUE(waitUntil([&] { return readFile(record) == "INT\n"; })) << readFile(record);
  ::kill(run, SIGCONT);
  ::kill(run, SIGTERM);
  ASSERT_EQ(::waitpid(run, &status, 0), run);
  EXPECT_EQ(readFile(record), "INT\nTERM\n");
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ::close(terminal);
}

TEST_F(CLIEndToEndTest, WithoutTheApplicationACommandStillRuns) {
  struct Row {
    const char* program;
    int status;
  };
  for (const Row& row : {Row{"true", 0}, Row{"false", 1}}) {
    SCOPED_TRACE(row.program);
    std::string output;
    EXPECT_EQ(tool({"run", "--", row.program}, &output), row.status);
    EXPECT_EQ(output, "Vigilix didn't answer; running without keeping awake.\n");
  }
}

TEST_F(CLIEndToEndTest, WithNoOwnerOfTheApplicationsNameTheToolListensBriefly) {
  auto transport = VGXCLIBusTransport::open();
  ASSERT_TRUE(transport) << transport.error().description();
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ((*transport)
                ->exchange(
                    "n1|status|0|", [](const std::string&) { return true; }, 30),
            std::nullopt);
  // Well within the 30 s it would wait for a running application.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
}

// Any program on the session bus may call Open: a flood of addresses is answered, those past
// the first are refused, and the application answers the tool right after.
TEST_F(CLIEndToEndTest, AFloodOfAddressesLeavesTheApplicationAnswering) {
  startApplication();
  std::string status;
  ASSERT_TRUE(waitUntil([&] { return tool({"status"}, &status) == 0; })) << status;
  // Under the sanitizers on a busy machine the bus and the application take many seconds over
  // the one big message.
  auto bus = platform::BusConnection::open(platform::BusKind::Session, 180'000'000);
  ASSERT_TRUE(bus) << bus.error().description();
  const std::vector<std::string> addresses(5'000, "vigilix:///toggle");
  const auto reply = bus->call(
      {"run.tarvo.vigilix", "/run/tarvo/vigilix", "org.freedesktop.Application", "Open"},
      [&](platform::BusArgumentWriter& out) { out.strings(addresses).emptyDictionary(); });
  ASSERT_TRUE(reply) << reply.error().description() << readFile(home_ / "app.log");
  // Once through the 64 toggles it took, it answers again (each is a real start or stop, slow
  // under the sanitizers).
  EXPECT_TRUE(waitUntil([&] { return tool({"status"}, &status) == 0; }, std::chrono::seconds(120)))
      << status << readFile(home_ / "app.log");
  EXPECT_NE(readFile(home_ / "app.log").find("Refused 4936 of the 5000 addresses of one Open"),
            std::string::npos)
      << readFile(home_ / "app.log");
}

// The tool posts as soon as the application's name has an owner; the application may still be
// launching then, and answers once it has.
TEST_F(CLIEndToEndTest, ARequestSentAsTheNameIsTakenIsAnswered) {
  sd_bus* raw = nullptr;
  ASSERT_GE(sd_bus_open_user(&raw), 0);
  const std::unique_ptr<sd_bus, sd_bus* (*)(sd_bus*)> watcher(raw, &sd_bus_flush_close_unref);
  bool taken = false;
  ASSERT_GE(sd_bus_add_match(
                raw, nullptr,
                "type='signal',sender='org.freedesktop.DBus',member='NameOwnerChanged',"
                "arg0='run.tarvo.vigilix'",
                [](sd_bus_message*, void* taken, sd_bus_error*) {
                  *static_cast<bool*>(taken) = true;
                  return 0;
                },
                &taken),
            0);
  app_.emplace(std::vector<std::string>{VIGILIX_APP_PROGRAM}, home_ / "app.log");
  ASSERT_TRUE(waitUntil(
      [&] {
        while (!taken && sd_bus_process(raw, nullptr) > 0) {
        }
        return taken;
      },
      std::chrono::seconds(30)));
  std::string status;
  EXPECT_EQ(tool({"status"}, &status), 0) << status << readFile(home_ / "app.log");
  EXPECT_TRUE(status.starts_with("Not keeping awake")) << status;
}

TEST(CLIInstallationTest, TheToolSitsWhereHooksLookForIt) {
  EXPECT_EQ(commandLineToolPath(VIGILIX_APP_PROGRAM), VIGILIX_CLI_PROGRAM);
}

}  // namespace
}  // namespace vigilix::testing
