#include "agents/agent_hold_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "agents/cli_v2_codec.h"
#include "agents/cli_v2_server.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using Reasons = std::vector<TriggerReason>;

TriggerReason agent(const char* tool) { return TriggerReason::agent(tool); }

// A hold request as an agent's hook sends it, for the launch epoch seen.
VGXCLIv2Request holdRequest(std::string id) {
  return {.verb = VGXCLIv2Verb::hold, .epoch = "E1", .gen = 0, .id = std::move(id)};
}

VGXCLIv2Request releaseRequest(std::optional<std::string> id) {
  return {.verb = VGXCLIv2Verb::release, .id = std::move(id)};
}

// Requests go in as JSON text through the server, as the hub hands them on.
class VGXAgentHoldControllerTest : public ::testing::Test {
 protected:
  VGXAgentHoldControllerTest() { controller->start(); }

  VGXCLIv2Reply send(VGXCLIv2Request request) {
    request.nonce = "n" + std::to_string(++nonces);
    lastText =
        server.handle(VGXCLIv2Codec::encodeRequest(request).value(), platform.now()).value_or("");
    return VGXCLIv2Codec::decodeReply(lastText).value_or(VGXCLIv2Reply{});
  }

  double secondsLeft(const std::string& id) const {
    return controller->store().snapshot().at(id).expiresAt - platform.now();
  }
  std::size_t holdCount() const { return controller->store().snapshot().size(); }

  testing::TestPlatform platform;
  std::vector<Reasons> published;
  bool denied = false;
  std::shared_ptr<VGXAgentHoldController> controller = std::make_shared<VGXAgentHoldController>(
      std::make_shared<VGXAgentHoldStore>(86400), [this] { return denied; },
      [this](const Reasons& reasons) { published.push_back(reasons); });
  VGXCLIv2Server server{"E1", [] { return std::int64_t{0}; }};
  int nonces = 0;
  std::string lastText;
};

TEST_F(VGXAgentHoldControllerTest, AHoldPublishesItsToolAndEndsAtItsTimeToLive) {
  struct Row {
    const char* name;
    std::string id;
    std::optional<std::string> tool;
    std::optional<std::int64_t> ttl;
    const char* heldBy;
    double lives;
  };
  const Row rows[] = {
      {"cursor lives an hour", "s1", "cursor", std::nullopt, "cursor", 3600},
      {"gemini lives an hour", "s1", "gemini", std::nullopt, "gemini", 3600},
      {"other tools ten minutes", "s1", "claude", std::nullopt, "claude", 600},
      {"a given ttl whatever the tool", "s1", "cursor", 30, "cursor", 30},
      {"tool from the id before its colon", "claude:s1:sub", std::nullopt, 45, "claude", 45},
      {"an id without colon names the tool", "codex", std::nullopt, 45, "codex", 45},
      {"an id starting with a colon: empty tool", ":s1", std::nullopt, 45, "", 45},
      {"an empty tool given is kept", "claude:s1", "", 45, "", 45},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    published.clear();
    VGXCLIv2Request request = holdRequest(row.id);
    request.tool = row.tool;
    request.ttl = row.ttl;
    EXPECT_EQ(send(request).status, VGXCLIv2Status::ok);
    EXPECT_EQ(published, std::vector<Reasons>{{agent(row.heldBy)}});
    EXPECT_EQ(secondsLeft(row.id), row.lives);
    // The sweep every 15 s ends the hold on the first tick at or after expiry.
    platform.advance(row.lives - 1);
    EXPECT_EQ(holdCount(), 1u);
    platform.advance(VGXAgentHoldController::sweepInterval + 1);
    EXPECT_EQ(holdCount(), 0u);
    EXPECT_EQ(published.back(), Reasons{});
    EXPECT_EQ(published.size(), 2u) << "one publication per change, none for quiet ticks";
  }
}

TEST_F(VGXAgentHoldControllerTest, AgentProcessExitEndsItsHoldsThroughOneWatch) {
  auto& processes = platform.processes();
  const auto pid = processes.start();
  const auto ended = processes.start();
  processes.exit(ended);
  const auto withProcess = [](std::string id, std::int32_t pid, std::optional<std::int64_t> start) {
    VGXCLIv2Request request = holdRequest(std::move(id));
    request.pid = pid;
    request.pidStart = start;
    return request;
  };
  send(withProcess("claude:a", pid, 100));
  send(withProcess("claude:b", pid, 200));  // the first watch's start time stays in force
  send(withProcess("codex:c", pid, 100));
  send(withProcess("gemini:gone", ended, 5));
  for (const std::int32_t unwatched : {1, 0, -4}) send(withProcess("cursor:low", unwatched, 1));
  EXPECT_EQ(processes.watchCount(pid), 1u);
  EXPECT_EQ(processes.watchCount(1), 0u) << "process identifiers below 2 are not watched";
  EXPECT_EQ(holdCount(), 5u);
  published.clear();

  processes.exit(pid);
  platform.runUntilIdle();
  EXPECT_EQ(holdCount(), 3u);
  EXPECT_FALSE(controller->store().snapshot().contains("claude:a"));
  EXPECT_FALSE(controller->store().snapshot().contains("codex:c"));
  EXPECT_EQ(published, (std::vector<Reasons>{{agent("claude"), agent("gemini"), agent("cursor")}}));
  EXPECT_EQ(processes.watchCount(pid), 0u);
}

TEST_F(VGXAgentHoldControllerTest, CancellingWatchesKeepsTheHoldsUntilTheyExpire) {
  auto& processes = platform.processes();
  const auto pid = processes.start();
  VGXCLIv2Request request = holdRequest("claude:a");
  request.pid = pid;
  request.ttl = 60;
  send(request);
  controller->cancelProcessSources();
  EXPECT_EQ(processes.watchCount(pid), 0u);
  processes.exit(pid);
  platform.runUntilIdle();
  EXPECT_EQ(holdCount(), 1u);
  EXPECT_EQ(published.size(), 1u);
  platform.advance(75);
  EXPECT_EQ(holdCount(), 0u);
  EXPECT_EQ(published.back(), Reasons{});

  // A later hold watches its process anew.
  const auto next = processes.start();
  request.pid = next;
  send(request);
  EXPECT_EQ(processes.watchCount(next), 1u);
}

TEST_F(VGXAgentHoldControllerTest, ReleaseAnswersOkAndEndsOnlyWhatItMatches) {
  struct Row {
    const char* name;
    VGXCLIv2Request request;
    VGXCLIv2Status status;
    std::optional<std::string> message;
    std::vector<std::string> left;
  };
  const auto release = [](std::optional<std::string> id, std::optional<std::string> corr,
                          std::optional<std::int64_t> seq, std::optional<std::string> label = {}) {
    VGXCLIv2Request request = releaseRequest(std::move(id));
    request.corr = std::move(corr);
    request.seq = seq;
    request.label = std::move(label);
    return request;
  };
  const Row rows[] = {
      {"matching corr and seq", release("s", "k", 3), VGXCLIv2Status::ok, {}, {"s:1", "s:2"}},
      {"other seq is ignored",
       release("s", "k", 4),
       VGXCLIv2Status::ok,
       "ignored: corr or seq mismatch",
       {"s", "s:1", "s:2"}},
      {"no corr is ignored for a hold with one",
       release("s", {}, 3),
       VGXCLIv2Status::ok,
       "ignored: nil corr",
       {"s", "s:1", "s:2"}},
      {"absent seq counts as 0",
       release("s", "k", {}),
       VGXCLIv2Status::ok,
       "ignored: corr or seq mismatch",
       {"s", "s:1", "s:2"}},
      {"no such id", release("q", "k", 3), VGXCLIv2Status::ok, {}, {"s", "s:1", "s:2"}},
      {"session end takes the id and its suffixes whatever corr and seq",
       release("s", {}, {}, "session-end"),
       VGXCLIv2Status::ok,
       {},
       {}},
      {"missing id", release({}, "k", 3), VGXCLIv2Status::error, "missing id", {"s", "s:1", "s:2"}},
      {"empty id", release("", "k", 3), VGXCLIv2Status::error, "missing id", {"s", "s:1", "s:2"}},
  };
  auto& processes = platform.processes();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    controller->clearAll();
    const auto pid = processes.start();
    for (const char* id : {"s", "s:1", "s:2"}) {
      VGXCLIv2Request hold = holdRequest(id);
      hold.corr = "k";
      hold.seq = 3;
      hold.pid = std::string_view(id) == "s" ? pid : processes.start();
      send(hold);
    }
    published.clear();
    const VGXCLIv2Reply reply = send(row.request);
    EXPECT_EQ(reply.status, row.status);
    EXPECT_EQ(reply.message, row.message);
    std::vector<std::string> left;
    for (const auto& [id, hold] : controller->store().snapshot()) left.push_back(id);
    std::ranges::sort(left);
    EXPECT_EQ(left, row.left);
    const bool accepted = row.status == VGXCLIv2Status::ok;
    EXPECT_EQ(published.size(), accepted ? 1u : 0u);
    if (accepted) {
      EXPECT_EQ(published.back().empty(), row.left.empty());
    }
    // A released process is no longer watched.
    EXPECT_EQ(processes.watchCount(pid),
              static_cast<std::size_t>(std::ranges::count(row.left, std::string("s"))));
  }
}

TEST_F(VGXAgentHoldControllerTest, HoldsAreListedByIdWithWholeSecondsLeft) {
  EXPECT_EQ(send({.verb = VGXCLIv2Verb::holds}).holds, std::vector<VGXCLIv2HoldInfo>{});
  EXPECT_NE(lastText.find("\"holds\":[]"), std::string::npos) << lastText;

  const std::string longTool(40, 'x');
  for (const auto& [id, ttl] : std::vector<std::pair<std::string, std::int64_t>>{
           {"zed:1", 600}, {"abc:2", 30}, {longTool + ":3", 90}}) {
    VGXCLIv2Request request = holdRequest(id);
    request.ttl = ttl;
    request.label = "ignored label";
    send(request);
  }
  platform.advance(10.5);
  EXPECT_EQ(send({.verb = VGXCLIv2Verb::holds}).holds,
            (std::vector<VGXCLIv2HoldInfo>{
                {.id = "abc:2", .tool = "abc", .expiresIn = 19},
                {.id = longTool + ":3", .tool = std::string(32, 'x'), .expiresIn = 79},
                {.id = "zed:1", .tool = "zed", .expiresIn = 589},
            }));
  // Past its expiry but before the next sweep a hold shows 0, never less.
  platform.advanceClockWithoutRunning(20);
  const auto late = send({.verb = VGXCLIv2Verb::holds}).holds.value();
  ASSERT_EQ(late.size(), 3u);
  EXPECT_EQ(late.front().expiresIn, 0);
}

TEST_F(VGXAgentHoldControllerTest, ManagedPolicyDeniesEveryVerbAndDropsEveryHold) {
  controller = std::make_shared<VGXAgentHoldController>(
      std::make_shared<VGXAgentHoldStore>(86400), VGXAgentHoldController::defaultPolicyDenied,
      [this](const Reasons& reasons) { published.push_back(reasons); });
  controller->start();
  auto& processes = platform.processes();
  const auto take = [&] {
    VGXCLIv2Request request = holdRequest("claude:a");
    request.pid = processes.start();
    EXPECT_EQ(send(request).status, VGXCLIv2Status::ok);
    return *request.pid;
  };
  for (const VGXCLIv2Verb verb : {VGXCLIv2Verb::hold, VGXCLIv2Verb::release, VGXCLIv2Verb::holds}) {
    SCOPED_TRACE(std::string(rawValue(verb)));
    platform.defaults.standard().setForced("VGXDisableAgentHooks", false);
    const auto pid = take();
    platform.defaults.standard().setForced("VGXDisableAgentHooks", true);
    published.clear();
    VGXCLIv2Request request{.verb = verb, .epoch = "E1", .gen = 0, .id = "claude:b"};
    const VGXCLIv2Reply reply = send(request);
    EXPECT_EQ(reply.status, VGXCLIv2Status::policyDenied);
    EXPECT_EQ(reply.message, std::nullopt);
    EXPECT_EQ(reply.holds, std::nullopt);
    EXPECT_EQ(holdCount(), 0u);
    EXPECT_EQ(processes.watchCount(pid), 0u);
    EXPECT_EQ(published, std::vector<Reasons>{{}});
  }

  // Switched on while holds exist: the next tick drops them.
  platform.defaults.standard().setForced("VGXDisableAgentHooks", false);
  const auto pid = take();
  platform.defaults.standard().setForced("VGXDisableAgentHooks", true);
  published.clear();
  platform.advance(VGXAgentHoldController::sweepInterval);
  EXPECT_EQ(holdCount(), 0u);
  EXPECT_EQ(processes.watchCount(pid), 0u);
  EXPECT_EQ(published, std::vector<Reasons>{{}});
  platform.advance(VGXAgentHoldController::sweepInterval);
  EXPECT_EQ(published.size(), 1u) << "an empty store is not cleared again";
}

TEST_F(VGXAgentHoldControllerTest, HandlersOutliveTheControllerAndAnswerError) {
  const std::weak_ptr<VGXAgentHoldController> weak = controller;
  const auto pid = platform.processes().start();
  VGXCLIv2Request request = holdRequest("claude:a");
  request.pid = pid;
  send(request);
  controller.reset();
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(platform.processes().watchCount(pid), 0u);
  for (const VGXCLIv2Verb verb : {VGXCLIv2Verb::hold, VGXCLIv2Verb::release, VGXCLIv2Verb::holds}) {
    SCOPED_TRACE(std::string(rawValue(verb)));
    const VGXCLIv2Reply reply = send({.verb = verb, .epoch = "E1", .gen = 0, .id = "claude:b"});
    EXPECT_EQ(reply.status, VGXCLIv2Status::error);
    EXPECT_EQ(reply.message, std::nullopt);
  }
  platform.advance(3 * VGXAgentHoldController::sweepInterval);  // the timer is gone with it
  EXPECT_EQ(published.size(), 1u);
}

}  // namespace
}  // namespace vigilix
