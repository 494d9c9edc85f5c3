#include "agents/agent_hold_controller.h"
#include "agents/cli_protocol.h"
#include "agents/cli_v2_codec.h"
#include "agents/cli_v2_server.h"
#include "controls/control_state.h"
#include "core/dzl_keys.h"
#include "hub_fixture.h"
#include "platform/power/thermal_state.h"
#include "testing/in_process_notification_bus.h"

namespace vigilix::scenarios {
namespace {

using Step = std::function<void()>;

// The hub with a private system-wide bus; a second centre on it stands for
// the command-line tool.
class HubRequestsTest : public HubScenario {
 public:
  ~HubRequestsTest() override { hub.reset(); }

  // Posts the request as the tool does; the hub's reply, if it posts one.
  std::optional<std::string> ask(const std::string& text) {
    const std::size_t before = bus.posted(std::string(VGXCLIProtocol::replyNotification)).size();
    tool->post(std::string(VGXCLIProtocol::requestNotification), text);
    platform.runUntilIdle();
    const auto replies = bus.posted(std::string(VGXCLIProtocol::replyNotification));
    if (replies.size() == before) return std::nullopt;
    EXPECT_EQ(replies.size(), before + 1);
    return replies.back().object;
  }
  std::optional<VGXCLIv2Reply> ask(const VGXCLIv2Request& request) {
    const auto reply = ask(VGXCLIv2Codec::encodeRequest(request).value());
    return reply ? VGXCLIv2Codec::decodeReply(*reply) : std::nullopt;
  }
  std::optional<VGXCLIv2Reply> hold(const std::string& nonce, std::int32_t pid,
                                    std::int64_t gen = 0, const std::string& tool = "claude",
                                    std::int64_t ttl = 60) {
    return ask(VGXCLIv2Request{.nonce = nonce,
                               .verb = VGXCLIv2Verb::hold,
                               .epoch = VGXCLIv2Server::launchEpoch(),
                               .gen = gen,
                               .id = tool + ":s1",
                               .ttl = ttl,
                               .pid = pid,
                               .tool = tool});
  }
  // The holds the hub reports.
  std::size_t holdCount() {
    const auto reply =
        ask(VGXCLIv2Request{.nonce = "h" + std::to_string(++asked), .verb = VGXCLIv2Verb::holds});
    return reply && reply->holds ? reply->holds->size() : 0;
  }
  int asked = 0;
  bool heldByAgent() const {
    return hub->snapshot().primary == AwakeStatus::automatic(TriggerReason::agent("claude"));
  }

  testing::InProcessNotificationBus bus;
  std::unique_ptr<platform::DistributedNotificationCenter> tool = bus.makeProcess();
};

TEST_F(HubRequestsTest, TextRequestsWatchUnwatchAndTellTheStatus) {
  startHub();
  const std::int32_t pid = platform.processes().start();
  const std::string p = std::to_string(pid);
  struct Row {
    const char* name;
    std::string request;
    std::optional<std::string> reply;  // "+reason": followed by the header's reason line
    std::size_t watches;
  };
  const Row rows[] = {
      {"status while idle", "a|status|0", "a|status|0|+reason", 0},
      {"watch a running process", "b|watch|" + p + "|  build\n", "b|ok", 1},
      {"a second client of it", "c|watch|" + p + "|", "c|ok", 1},
      {"status while watching", "d|status|0", "d|status|1|+reason", 1},
      {"one client leaves: the other keeps it", "e|unwatch|" + p, "e|ok", 1},
      {"a process that does not run", "f|watch|39999|x",
       "f|status|1|Vigilix couldn't watch that process — it may have already exited.", 1},
      {"the last client leaves", "g|unwatch|" + p, "g|ok", 0},
      {"text that does not parse", "h|sleep|0", std::nullopt, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto expected = row.reply;
    if (expected && expected->ends_with("+reason")) {
      expected->resize(expected->size() - 7);
      expected->append(hub->headerReasonLine());
    }
    EXPECT_EQ(ask(row.request), expected);
    EXPECT_EQ(hub->activeWatches().size(), row.watches);
  }

  platform.defaults.standard().setForced(kTriggersDefaultsKey, platform::Bytes{});
  EXPECT_EQ(ask("i|watch|" + p + "|"), "i|policy-denied");
  EXPECT_TRUE(hub->activeWatches().empty());
}

TEST_F(HubRequestsTest, AHoldKeepsAwakeUntilItsTimeToLiveOrItsAgentExits) {
  startHub();
  struct Row {
    const char* name;
    Step end;
  };
  std::int32_t agent = 0;
  const Row rows[] = {
      {"the time to live runs out at the next sweep", [&] { platform.advance(75); }},
      {"the agent process exits", [&] { platform.processes().exit(agent); }},
  };
  int nonce = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    agent = platform.processes().start();
    const std::string name = "n" + std::to_string(++nonce);
    const auto reply = hold(name, agent);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, VGXCLIv2Status::ok);
    EXPECT_TRUE(heldByAgent());
    EXPECT_EQ(hub->snapshot().agentCount, 1);
    row.end();
    platform.runUntilIdle();
    EXPECT_FALSE(hub->isAwake());
  }
}

TEST_F(HubRequestsTest, TheServerCachesRefusesStaleAndOversizedAndTheHubAnswersPolicyItself) {
  startHub();
  const std::int32_t agent = platform.processes().start();
  const std::string request =
      VGXCLIv2Codec::encodeRequest({.nonce = "r1", .verb = VGXCLIv2Verb::holds}).value();
  const auto first = ask(request);
  ASSERT_TRUE(first);
  platform.advance(59);
  EXPECT_EQ(ask(request), first) << "replayed from the cache";

  ASSERT_EQ(hold("s1", agent)->status, VGXCLIv2Status::ok);
  hub->stopKeepingAwake();
  EXPECT_EQ(hold("s2", agent)->status, VGXCLIv2Status::stale);
  EXPECT_EQ(hold("s3", agent, 1)->status, VGXCLIv2Status::ok);

  std::string oversized = request;
  oversized.insert(1, "\"pad\":\"" + std::string(4096, 'x') + "\",");
  EXPECT_EQ(ask(oversized), std::nullopt) << "over the 4096-byte frame limit";

  platform.defaults.standard().setForced("VGXDisableAgentHooks", true);
  const auto denied = hold("p1", agent);
  ASSERT_TRUE(denied);
  EXPECT_EQ(*denied, (VGXCLIv2Reply{.nonce = "p1",
                                    .status = VGXCLIv2Status::policyDenied,
                                    .epoch = VGXCLIv2Server::launchEpoch(),
                                    .gen = 1}));
  platform.defaults.standard().removeForced("VGXDisableAgentHooks");
  EXPECT_EQ(hold("p1", agent, 1)->status, VGXCLIv2Status::ok) << "the refusal was not cached";

  // A duplicate that arrives while its first is still being answered waits
  // for that answer without holding up the main loop; both get the one reply.
  const std::string doctor =
      VGXCLIv2Codec::encodeRequest({.nonce = "d1", .verb = VGXCLIv2Verb::doctor}).value();
  int runs = 0;
  std::optional<std::string> whileInFlight = "not asked";
  VGXCLIv2Server::registerHandler(VGXCLIv2Verb::doctor, [&](const VGXCLIv2Request&) {
    if (++runs == 1) whileInFlight = ask(doctor);
    return VGXCLIv2Reply{.message = "checked"};
  });
  const std::size_t before = bus.posted(std::string(VGXCLIProtocol::replyNotification)).size();
  tool->post(std::string(VGXCLIProtocol::requestNotification), doctor);
  platform.runUntilIdle();
  EXPECT_EQ(whileInFlight, std::nullopt);
  EXPECT_EQ(runs, 1);
  const auto replies = bus.posted(std::string(VGXCLIProtocol::replyNotification));
  ASSERT_EQ(replies.size(), before + 2);
  EXPECT_EQ(replies[before], replies[before + 1]);
}

TEST_F(HubRequestsTest, ASecondStartKeepsTheHoldsAndRereadsTheSettings) {
  startHub();
  const std::int32_t agent = platform.processes().start();
  ASSERT_EQ(hold("s1", agent, 0, "claude", 600)->status, VGXCLIv2Status::ok);

  defaults().set(kDZLBatteryCapacityThresholdKey, 40.0);
  hub->start();

  EXPECT_EQ(hub->controller().batteryThreshold(), 40);
  EXPECT_GE(count("delegate"), 1);
  EXPECT_TRUE(heldByAgent()) << "the hold outlives the second start";
  platform.advance(600 + VGXAgentHoldController::sweepInterval);
  EXPECT_FALSE(hub->isAwake()) << "and still ends at its time";
}

TEST_F(HubRequestsTest, AStopEndsEveryAgentHoldSoNoneComesBackWithTheNextChange) {
  startHub();
  hub->keepAwakeIndefinitely();
  const std::int32_t agent = platform.processes().start();
  ASSERT_EQ(hold("n-1", agent, 0, "claude", 600)->status, VGXCLIv2Status::ok);
  const auto generation = hub->controller().stopGeneration();

  hub->stopKeepingAwake();

  EXPECT_FALSE(hub->isAwake());
  EXPECT_EQ(hub->controller().stopGeneration(), generation + 1);
  EXPECT_TRUE(hub->controller().agentReasons().empty());
  EXPECT_EQ(holdCount(), 0u);

  ASSERT_EQ(hold("n-2", agent, generation + 1, "codex", 600)->status, VGXCLIv2Status::ok);
  EXPECT_EQ(hub->controller().agentReasons(), std::vector{TriggerReason::agent("codex")});
}

TEST_F(HubRequestsTest, ControlCenterRequestsCountFromOneSecondAheadToFifteenSecondsOld) {
  struct Row {
    const char* name;
    Step setup;
    bool value;
    double age;    // of the request when the notification arrives
    bool session;  // a manual session runs afterwards
    std::optional<double> endOffset;
    bool republished;
  };
  auto tenMinutes = [this] { defaults().set(kDZLTimeIntervalKey, 600); };
  auto heat = [this] {
    platform.power.thermal.setThermalState(platform::ThermalState::Serious);
    platform.runUntilIdle();
  };
  auto awake = [this] { hub->keepAwakeIndefinitely(); };
  auto forcedDuration = [this] {
    hub->keepAwakeIndefinitely();
    platform.defaults.standard().setForced(kDZLTimeIntervalKey, 600);
  };
  const Row rows[] = {
      {"on, stamped 1 s ahead", tenMinutes, true, -1, true, 600, true},
      {"on, 15 s old", tenMinutes, true, 15, true, 600, true},
      {"on, 1.5 s ahead: ignored", tenMinutes, true, -1.5, false, std::nullopt, false},
      {"on, 16 s old: ignored", tenMinutes, true, 16, false, std::nullopt, false},
      {"on with a default of 0: indefinite", [this] { defaults().set(kDZLTimeIntervalKey, 0); },
       true, 0, true, std::nullopt, true},
      {"on with a default of centuries: ten years at most",
       [this] { defaults().set(kDZLTimeIntervalKey, std::int64_t{1'000'000'000'000}); }, true, 0,
       true, VGXTriggerBridge::kMaximumAheadSeconds, true},
      {"on while awake changes nothing", awake, true, 0, true, std::nullopt, false},
      {"on while hot: refused, state written back", heat, true, 0, false, std::nullopt, true},
      {"on with a forced duration: refused", forcedDuration, true, 0, true, std::nullopt, true},
      {"off while hot is carried out",
       [=] {
         awake();
         heat();
       },
       false, 0, false, std::nullopt, true},
      {"off with a forced duration: refused", forcedDuration, false, 0, true, std::nullopt, true},
      {"off ends the session, watches and holds",
       [=, this] {
         awake();
         const std::int32_t agent = platform.processes().start();
         hub->watchProcessWithPid(agent, "tests");
         hold("h1", agent);
       },
       false, 0, false, std::nullopt, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hub.reset();
    platform.defaults.standard().removeForced(kDZLTimeIntervalKey);
    defaults().remove(kDZLTimeIntervalKey);
    defaults().remove(VGXTriggerBridge::awakeStateDefaultsKey);
    platform.power.thermal.setThermalState(platform::ThermalState::Nominal);
    startHub();
    row.setup();
    platform.runUntilIdle();
    // The extension, another process, shows its wish at once, then asks.
    auto suite = platform.defaults.makeInstance(VGXControlState::appGroup);
    suite->storage()->setUserValue(VGXControlState::defaultsKey,
                                   VGXControlState(row.value, std::nullopt).encode().value());
    suite->storage()->setUserValue(
        VGXControlState::requestKey,
        platform::PropertyDictionary{{"value", row.value},
                                     {"at", (now() - row.age).timeIntervalSince1970()}});
    int published = 0;
    auto observer = platform::NotificationCenter::defaultCenter().addObserver(
        kAwakeStateDidChangeNotification, nullptr, nullptr, [&](auto&) { ++published; });
    tool->post(VGXControlState::requestNotification, row.value ? "1" : "0");
    platform.runUntilIdle();

    EXPECT_EQ(hub->isManualSession(), row.session);
    EXPECT_TRUE(row.session || !hub->isAwake());
    expectSessionEnd(row.endOffset);
    EXPECT_EQ(published > 0, row.republished);
    if (row.republished) {
      EXPECT_EQ(VGXControlState::read(suite.get()).isAwake(), hub->isAwake());
    }
    suite->synchronize();
    EXPECT_FALSE(suite->object(VGXControlState::requestKey)) << "always consumed";
  }
}

}  // namespace
}  // namespace vigilix::scenarios
