#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "direct/backup/time_machine_feature.h"
#include "direct/backup/time_machine_sampler.h"
#include "hub/trigger_configuration_store.h"
#include "keepawake/health_registry.h"
#include "platform/defaults/user_defaults.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using Result = std::expected<std::optional<VGXCommandOutput>, std::string>;
using State = VGXTimeMachineState;

std::optional<VGXCommandOutput> listed(std::string output, std::int32_t status = 0) {
  return VGXCommandOutput{std::move(output), status};
}

TEST(BackupParserTest, StateTable) {
  struct Row {
    const char* name;
    std::optional<VGXCommandOutput> result;
    State expected;
  };
  const Row rows[] = {
      {"timed out", std::nullopt, State::unknown("timeout")},
      {"failed lister, whatever it printed", listed("restic\n", 1), State::unknown("exit 1")},
      {"lister killed by a signal", listed("", 137), State::unknown("exit 137")},
      {"no process at all", listed(""), State::unknown("unrecognized output")},
      {"blank lines only", listed("\n  \n"), State::unknown("unrecognized output")},
      {"no backup program", listed("systemd\nbash\nps\n"), State::idle()},
      {"restic among others", listed("systemd\nrestic\nps\n"), State::running()},
      {"padded name, no final newline", listed("bash\n  borgmatic  "), State::running()},
      {"every listed program counts", listed("deja-dup\n"), State::running()},
      {"timeshift", listed("timeshift\n"), State::running()},
      {"rsnapshot", listed("rsnapshot\n"), State::running()},
      {"back in time", listed("backintime\n"), State::running()},
      {"duplicity", listed("duplicity\n"), State::running()},
      {"borg", listed("borg\n"), State::running()},
      {"a longer name is not the program", listed("resticprofile-ui\nborg2\n"), State::idle()},
      {"case matters as in the process table", listed("Restic\n"), State::idle()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXTimeMachineParser::state(row.result), row.expected);
  }
}

TEST(BackupCommandRunnerTest, LiveCommands) {
  struct Row {
    const char* name;
    std::string executable;
    std::vector<std::string> arguments;
    double timeout;
    // none: ran past its time; "error": could not start.
    std::optional<std::int32_t> status;
    std::size_t outputSize;
    bool startError = false;
  };
  const Row rows[] = {
      {"prints and succeeds", "/bin/echo", {"restic"}, 5, 0, 7},
      {"fails with its code", "/bin/sh", {"-c", "exit 3"}, 5, 3, 0},
      {"ended by a signal", "/bin/sh", {"-c", "kill -9 $$"}, 5, 137, 0},
      // Far more than a pipe holds: the runner must read while it waits.
      {"long output drained", "/bin/sh", {"-c", "head -c 300000 /dev/zero"}, 5, 0, 300000},
      {"hung command killed and reaped", "/bin/sleep", {"30"}, 0.2, std::nullopt, 0},
      {"missing program", "/nonexistent/lister", {}, 5, std::nullopt, 0, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Result result = VGXProcessCommandRunner().run(row.executable, row.arguments, row.timeout);
    if (row.startError) {
      EXPECT_FALSE(result.has_value());
      continue;
    }
    ASSERT_TRUE(result.has_value()) << result.error();
    ASSERT_EQ(result->has_value(), row.status.has_value());
    if (!row.status) continue;
    EXPECT_EQ((*result)->status, *row.status);
    EXPECT_EQ((*result)->output.size(), row.outputSize);
  }
}

// Answers the sampler's runs from a script; a step may act while the
// command "runs".
class ScriptedRunner : public VGXCommandRunning {
 public:
  struct Step {
    Result result;
    std::function<void()> during;
  };
  Result run(const std::string& executable, const std::vector<std::string>& arguments,
             double timeout) const override {
    calls.push_back(executable + " " + arguments.front() + " " + std::to_string(int(timeout)));
    if (steps.empty()) return listed("bash\n");
    Step step = steps.front();
    steps.pop_front();
    if (step.during) step.during();
    return step.result;
  }
  mutable std::deque<Step> steps;
  mutable std::vector<std::string> calls;
};

class BackupSamplerTest : public ::testing::Test {
 public:
  std::shared_ptr<VGXTimeMachineSampler> makeSampler(double interval) {
    auto sampler = VGXTimeMachineSampler::make(runner, interval);
    sampler->setOnChange([this](const State& state) { delivered.push_back(state); });
    return sampler;
  }

  testing::TestPlatform platform;
  std::shared_ptr<ScriptedRunner> runner = std::make_shared<ScriptedRunner>();
  std::vector<State> delivered;
};

TEST_F(BackupSamplerTest, DeliversChangesOfTheCurrentEpochOnly) {
  using Act = std::function<void(BackupSamplerTest&, VGXTimeMachineSampler&)>;
  const auto running = [] { return ScriptedRunner::Step{listed("restic\n"), {}}; };
  const auto idle = [] { return ScriptedRunner::Step{listed("bash\n"), {}}; };
  struct Row {
    const char* name;
    double interval;
    std::vector<std::function<ScriptedRunner::Step()>> steps;
    Act act;  // after the start, before time passes
    double advance;
    std::vector<State> delivered;
    std::size_t runs;
    bool started;
  };
  const Row rows[] = {
      {"first sample at once", 60, {running}, {}, 0, {State::running()}, 1, true},
      {"equal consecutive samples delivered once",
       60,
       {running, running, running},
       {},
       120,
       {State::running()},
       3,
       true},
      {"a change is delivered",
       60,
       {idle, running},
       {},
       60,
       {State::idle(), State::running()},
       2,
       true},
      {"interval of 0 samples every minute", 0, {idle, running}, {}, 59, {State::idle()}, 1, true},
      {"negative interval samples every minute",
       -5,
       {idle, running},
       {},
       60,
       {State::idle(), State::running()},
       2,
       true},
      {"stopped before delivery: discarded",
       60,
       {running},
       [](auto&, auto& sampler) { sampler.stop(); },
       120,
       {},
       0,
       false},
      {"a second start keeps the one timer",
       60,
       {running},
       [](auto&, auto& sampler) { sampler.start(); },
       0,
       {State::running()},
       1,
       true},
      {"a lister that cannot start is reported; sampling goes on",
       60,
       {[] {
          return ScriptedRunner::Step{std::unexpected(std::string("spawn 2")), {}};
        },
        idle},
       {},
       60,
       {State::unknown("cannot start: spawn 2"), State::idle()},
       2,
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    runner->steps.clear();
    runner->calls.clear();
    delivered.clear();
    for (const auto& step : row.steps) runner->steps.push_back(step());
    auto sampler = makeSampler(row.interval);
    sampler->start();
    if (row.act) row.act(*this, *sampler);
    platform.runUntilIdle();
    if (row.advance > 0) platform.advance(row.advance);
    EXPECT_EQ(delivered, row.delivered);
    EXPECT_EQ(runner->calls.size(), row.runs);
    EXPECT_EQ(sampler->isStarted(), row.started);
    sampler->stop();
    platform.runUntilIdle();
  }
  EXPECT_EQ(runner->calls.empty() ? "" : runner->calls.front(), "/usr/bin/ps -A 10");
}

// A stop and start while the lister runs: the old reading is dropped, and
// the first reading of the new epoch is delivered though it equals the last.
TEST_F(BackupSamplerTest, RestartMidRunDiscardsTheOldReading) {
  auto sampler = makeSampler(60);
  sampler->start();
  platform.runUntilIdle();
  ASSERT_EQ(delivered, std::vector<State>{State::idle()});
  runner->steps.push_back({listed("restic\n"), [&] {
                             sampler->stop();
                             sampler->start();
                           }});
  runner->steps.push_back({listed("bash\n"), {}});
  platform.advance(60);
  EXPECT_EQ(delivered, (std::vector<State>{State::idle(), State::idle()}));
}

class BackupFeatureTest : public BackupSamplerTest {
 public:
  platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }
  void setWanted(bool wanted) {
    TriggerConfiguration rules;
    rules.isEnabled = true;
    rules.whileTimeMachineBacksUp = wanted;
    VGXTriggerConfigurationStore::save(rules, defaults());
  }
  std::shared_ptr<VGXTimeMachineFeature> makeFeature() {
    return VGXTimeMachineFeature::make(VGXTimeMachineSampler::make(runner, 60), defaults(),
                                       [this] { ++refreshes; });
  }
  int refreshes = 0;
};

TEST_F(BackupFeatureTest, ReasonsAndHealthLineFollowTheSettingAndPolicy) {
  using Act = std::function<void(BackupFeatureTest&)>;
  const VGXHealthLine warning{"Backup", "Couldn't check for a backup: exit 2",
                              VGXHealthSeverity::Warning, std::nullopt};
  struct Row {
    const char* name;
    bool wanted;
    std::optional<bool> disabledByPolicy;  // the managed value, none when not forced
    Result reading;
    Act act;  // after the first reading
    std::size_t runs;
    std::vector<TriggerReason> reasons;
    std::vector<VGXHealthLine> lines;
  };
  const Row rows[] = {
      {"backup running: the reason",
       true,
       std::nullopt,
       listed("restic\n"),
       {},
       1,
       {TriggerReason::timeMachine()},
       {}},
      {"no backup: nothing", true, std::nullopt, listed("bash\n"), {}, 1, {}, {}},
      {"unreadable table: a warning, no reason",
       true,
       std::nullopt,
       listed("", 2),
       {},
       1,
       {},
       {warning}},
      {"setting off: nothing is run", false, std::nullopt, listed("restic\n"), {}, 0, {}, {}},
      {"forbidden by policy: nothing is run", true, true, listed("restic\n"), {}, 0, {}, {}},
      {"allowed by policy: runs as set",
       true,
       std::nullopt,
       listed("restic\n"),
       {},
       1,
       {TriggerReason::timeMachine()},
       {}},
      {"setting turned off: the reason goes",
       true,
       std::nullopt,
       listed("restic\n"),
       [](auto& t) {
         t.setWanted(false);
         t.platform.runUntilIdle();
       },
       1,
       {},
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    runner->steps.clear();
    runner->calls.clear();
    setWanted(row.wanted);
    if (row.disabledByPolicy) {
      platform.defaults.standard().setForced(VGXTimeMachineFeature::kDisablePolicyKey,
                                             platform::PropertyValue(*row.disabledByPolicy));
    }
    runner->steps.push_back({row.reading, {}});
    auto feature = makeFeature();
    feature->install();
    platform.runUntilIdle();
    if (row.act) row.act(*this);
    EXPECT_EQ(runner->calls.size(), row.runs);
    EXPECT_EQ(feature->reasons(), row.reasons);
    EXPECT_EQ(feature->healthLines(), row.lines);
    if (row.disabledByPolicy) {
      platform.defaults.standard().removeForced(VGXTimeMachineFeature::kDisablePolicyKey);
    }
    setWanted(false);
    platform.runUntilIdle();
  }
}

// The setting turned off while the lister runs: its reading is dropped and
// the hub is refreshed without the reason.
TEST_F(BackupFeatureTest, ReadingDiscardedWhenTheSettingTurnsOffMidRun) {
  setWanted(true);
  auto feature = makeFeature();
  runner->steps.push_back({listed("restic\n"), [this] { setWanted(false); }});
  feature->install();
  platform.runUntilIdle();
  EXPECT_TRUE(feature->reasons().empty());
  EXPECT_FALSE(feature->sampler().isStarted());
  // The hub heard of it (once for the reading dropped, once for the setting).
  EXPECT_GE(refreshes, 1);
  // Turned on again: sampling resumes and a backup is seen.
  runner->steps.push_back({listed("restic\n"), {}});
  setWanted(true);
  platform.runUntilIdle();
  EXPECT_EQ(feature->reasons(), std::vector<TriggerReason>{TriggerReason::timeMachine()});
}

// Settings changes while the trigger is off change no reason: the hub is not
// refreshed, or its own writes would answer each refresh with another.
TEST_F(BackupFeatureTest, SettingsChangesWhileOffRefreshNothing) {
  setWanted(false);
  auto feature = makeFeature();
  feature->install();
  for (int change = 0; change < 3; ++change) {
    defaults().set("run.tarvo.vigilix.Unrelated", change);
    platform.runUntilIdle();
  }
  EXPECT_EQ(refreshes, 0);
  EXPECT_TRUE(runner->calls.empty());
}

TEST_F(BackupFeatureTest, SecondInstallAddsNothing) {
  setWanted(true);
  auto feature = makeFeature();
  const std::size_t before = VGXHealthRegistry::lines().size();
  runner->steps.push_back({listed("", 2), {}});
  feature->install();
  feature->install();
  platform.runUntilIdle();
  EXPECT_TRUE(feature->isInstalled());
  EXPECT_EQ(VGXHealthRegistry::lines().size(), before + 1);
  EXPECT_EQ(runner->calls.size(), 1u);
}

}  // namespace
}  // namespace vigilix
