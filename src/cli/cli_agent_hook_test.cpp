#include "cli/cli_agent_hook.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "agentcontracts/agent_hook_log.h"
#include "cli/cli_fake_application.h"
#include "testing/agent_files_fixture.h"

namespace vigilix {
namespace {

using testing::FakeApplication;

class CLIAgentHookTest : public AgentFilesTest {
 protected:
  std::string run(VGXHookVerb verb, std::string_view payload, VGXCLIClient* client) {
    const VGXCLICommand command{
        .kind = VGXCLICommandKind::agent, .hookVerb = verb, .tool = "claude"};
    const VGXCLIHookContext context{
        .payload = std::vector<std::uint8_t>(payload.begin(), payload.end()),
        .agentProcess =
            [](std::string_view) {
              return VGXAgentProcessIdentity{4242, 1700};
            },
        .sequenceDirectory = root.home() / "state/agent-seq",
        .hooksLogFile = log,
    };
    return runAgentHook(command, client, context);
  }

  const std::filesystem::path log = root.home() / "state/agent-hooks.json";
};

// Claude Code's hook input as it sends it: no prompt id.
constexpr std::string_view kPayload =
    R"({"session_id":"0d6f3c1e-9a4b-4e27-b5d8-71c2e9f04a3b",)"
    R"("transcript_path":"/home/ada/.claude/projects/-home-ada-src-shop/)"
    R"(0d6f3c1e-9a4b-4e27-b5d8-71c2e9f04a3b.jsonl","cwd":"/home/ada/src/shop",)"
    R"("permission_mode":"default","hook_event_name":"UserPromptSubmit",)"
    R"("prompt":"Fix the cart test"})";
constexpr std::string_view kStopPayload =
    R"({"session_id":"0d6f3c1e-9a4b-4e27-b5d8-71c2e9f04a3b",)"
    R"("transcript_path":"/home/ada/.claude/projects/-home-ada-src-shop/)"
    R"(0d6f3c1e-9a4b-4e27-b5d8-71c2e9f04a3b.jsonl","cwd":"/home/ada/src/shop",)"
    R"("permission_mode":"default","hook_event_name":"Stop","stop_hook_active":false})";
constexpr std::string_view kEndPayload =
    R"({"session_id":"0d6f3c1e-9a4b-4e27-b5d8-71c2e9f04a3b",)"
    R"("transcript_path":"/home/ada/.claude/projects/-home-ada-src-shop/)"
    R"(0d6f3c1e-9a4b-4e27-b5d8-71c2e9f04a3b.jsonl","cwd":"/home/ada/src/shop",)"
    R"("permission_mode":"default","hook_event_name":"SessionEnd","reason":"exit"})";
const std::string kHoldID = "claude:0d6f3c1e-9a4b-4e27-b5d8-71c2e9f04a3b";

TEST_F(CLIAgentHookTest, EventsBecomeHoldsAndReleasesAndEveryOutcomeIsLogged) {
  // An event of the same session before the row's own, answered by an application of this
  // launch epoch and stop generation.
  struct Earlier {
    VGXHookVerb verb;
    std::int64_t generation = 4;
  };
  struct Row {
    const char* name;
    std::vector<Earlier> earlier;
    VGXHookVerb verb;
    std::string_view payload;
    std::function<void(FakeApplication&)> arrange;
    const char* result;
    std::vector<std::string> handled;  // the request the application acted on, as JSON
    const char* epoch = "EPOCH-1";
    std::optional<std::size_t> sent{};  // requests sent, when it matters
  };
  const auto none = [](FakeApplication&) {};
  const auto stopped = [](FakeApplication& app) { app.generation = 5; };
  // The counter's folder is a file: no counter can be kept.
  const auto noCounter = [this](FakeApplication&) {
    std::filesystem::create_directories(root.home() / "state");
    std::ofstream(root.home() / "state/agent-seq") << "not a folder";
  };
  const auto hold = [](const char* nonce, int seq, const char* epoch = "EPOCH-1") {
    return R"({"epoch":")" + std::string(epoch) + R"(","gen":4,"id":")" + kHoldID +
           R"(","nonce":")" + nonce + R"(","pid":4242,"pidStart":1700,"seq":)" +
           std::to_string(seq) + R"(,"tool":"claude","ttl":600,"v":2,"verb":"hold"})";
  };
  const auto release = [](int seq) {
    return R"({"id":")" + kHoldID + R"(","nonce":"n1","seq":)" + std::to_string(seq) +
           R"(,"tool":"claude","v":2,"verb":"release"})";
  };
  const std::string hold1 = hold("n2", 1);
  const Row rows[] = {
      {"start holds for the agent's process",
       {},
       VGXHookVerb::start,
       kPayload,
       none,
       "ok",
       {hold1}},
      {"a stop between epoch and hold ends the session's holding",
       {},
       VGXHookVerb::start,
       kPayload,
       [](FakeApplication& app) { app.stopAfterEpoch = true; },
       "stale: stopped for this session",
       {}},
      {"each start counts on, under the session's first epoch",
       {{VGXHookVerb::start}},
       VGXHookVerb::start,
       kPayload,
       none,
       "ok",
       {hold("n1", 2)},
       "EPOCH-1",
       1},
      {"a person's stop outlasts the agent's next prompt",
       {{VGXHookVerb::start}},
       VGXHookVerb::start,
       kPayload,
       stopped,
       "stale: stopped for this session",
       {}},
      {"and every prompt after it, which asks nothing",
       {{VGXHookVerb::start}, {VGXHookVerb::start, 5}},
       VGXHookVerb::start,
       kPayload,
       stopped,
       "stopped for this session",
       {},
       "EPOCH-1",
       0},
      {"a sub-agent of a stopped session holds nothing",
       {{VGXHookVerb::start}, {VGXHookVerb::start, 5}},
       VGXHookVerb::start,
       R"({"session_id":"0d6f3c1e-9a4b-4e27-b5d8-71c2e9f04a3b","agent_id":"a51c9e","agent_type":"Explore"})",
       stopped,
       "stopped for this session",
       {}},
      {"a relaunched application starts the session over",
       {{VGXHookVerb::start}},
       VGXHookVerb::start,
       kPayload,
       none,
       "ok",
       {hold("n2", 2, "EPOCH-2")},
       "EPOCH-2"},
      {"a counter that cannot be kept counts 1",
       {},
       VGXHookVerb::start,
       kPayload,
       noCounter,
       "ok (counted 1)",
       {hold1}},
      {"and its stop releases that hold",
       {},
       VGXHookVerb::stop,
       kStopPayload,
       noCounter,
       "ok (counted 1)",
       {release(1)}},
      {"stop releases the start's hold with its seq",
       {{VGXHookVerb::start}},
       VGXHookVerb::stop,
       kStopPayload,
       none,
       "ok",
       {release(1)}},
      {"a release the application ignored is logged so",
       {{VGXHookVerb::start}},
       VGXHookVerb::stop,
       kStopPayload,
       [](FakeApplication& app) { app.releaseMessage = "ignored: corr or seq mismatch"; },
       "ignored: corr or seq mismatch",
       {release(1)}},
      {"end releases the whole session",
       {},
       VGXHookVerb::end,
       kEndPayload,
       none,
       "ok",
       {R"({"id":")" + kHoldID +
        R"(","label":"session-end","nonce":"n1","tool":"claude","v":2,"verb":"release"})"}},
      {"refused by policy",
       {},
       VGXHookVerb::start,
       kPayload,
       [](FakeApplication& app) {
         app.statuses[VGXCLIv2Verb::hold] = VGXCLIv2Status::policyDenied;
       },
       "policyDenied",
       {hold1}},
      {"refused with a reason",
       {},
       VGXHookVerb::stop,
       kStopPayload,
       [](FakeApplication& app) { app.statuses[VGXCLIv2Verb::release] = VGXCLIv2Status::error; },
       "error: missing id",
       {release(0)}},
      {"no application",
       {},
       VGXHookVerb::start,
       kPayload,
       [](FakeApplication& app) { app.running = false; },
       "no reply",
       {}},
      {"empty input", {}, VGXHookVerb::start, "", none, "no payload", {}},
      {"no session in the payload",
       {},
       VGXHookVerb::start,
       R"({"hook_event_name":"UserPromptSubmit","prompt":"Fix it"})",
       none,
       "no session in payload",
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all(root.home() / "state");
    for (const Earlier& earlier : row.earlier) {
      FakeApplication app;
      app.generation = earlier.generation;
      VGXCLIClient client(app, 1, testing::countingNonces());
      run(earlier.verb, kPayload, &client);
    }
    FakeApplication app(row.epoch);
    row.arrange(app);
    VGXCLIClient client(app, 1, testing::countingNonces());
    EXPECT_EQ(run(row.verb, row.payload, &client), row.result);
    std::vector<std::string> handled;
    for (const auto& request : app.handled)
      handled.push_back(*VGXCLIv2Codec::encodeRequest(request));
    EXPECT_EQ(handled, row.handled);
    if (row.sent) {
      EXPECT_EQ(app.sent.size(), *row.sent);
    }
    const auto records = VGXAgentHookLog::read(log);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back(), (VGXAgentHookRecord{"2026-12-09T12:03:16.250Z", "claude",
                                                  std::string(rawValue(row.verb)), row.result}));
  }
}

TEST_F(CLIAgentHookTest, WithoutABusTheEventIsOnlyLogged) {
  EXPECT_EQ(run(VGXHookVerb::start, kPayload, nullptr), "no session bus");
  EXPECT_EQ(VGXAgentHookLog::read(log).size(), 1u);
}

}  // namespace
}  // namespace vigilix
