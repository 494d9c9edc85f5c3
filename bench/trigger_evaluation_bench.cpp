// Time per trigger evaluation: one sample of a busy machine against rules that
// use every condition, so each evaluation walks apps, thresholds with their
// sustain rule, Wi-Fi, the schedule and the media checks, as the monitor does
// every 5 s.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/base/date.h"
#include "platform/locale/calendar.h"
#include "triggers/system_sample.h"
#include "triggers/trigger_configuration.h"
#include "triggers/trigger_engine.h"

namespace vigilix {
namespace {

TriggerConfiguration everyRule() {
  TriggerConfiguration configuration;
  configuration.isEnabled = true;
  for (int i = 0; i < 12; ++i) {
    configuration.appBundleIdentifiers.push_back("org.example.tool" + std::to_string(i));
  }
  configuration.appBundleIdentifiers.push_back("org.example.Editor");
  configuration.frontmostOnlyBundleIdentifiers = {"org.example.Editor"};
  configuration.whenOnPowerAdapter = true;
  configuration.whenExternalDisplayConnected = true;
  configuration.networkThresholdBytesPerSecond = 500'000;
  configuration.cpuThresholdPercent = 60;
  configuration.diskThresholdBytesPerSecond = 2'000'000;
  configuration.wifiNetworkNames = {"Office", "Lab", "Home"};
  configuration.schedule =
      TriggerSchedule{.weekdays = {2, 3, 4, 5, 6}, .startMinute = 540, .endMinute = 1080};
  configuration.duringCalls = true;
  configuration.whileAudioPlaying = true;
  return configuration;
}

SystemSample busyMachine() {
  SystemSample sample;
  for (int i = 0; i < 40; ++i) {
    sample.runningBundleIdentifiers.insert("org.example.running" + std::to_string(i));
  }
  sample.runningBundleIdentifiers.insert("org.example.Editor");
  sample.frontmostBundleIdentifier = "org.example.Editor";
  sample.networkBytesPerSecond = 800'000;
  sample.cpuUsagePercent = 75;
  sample.diskBytesPerSecond = 1'000'000;
  sample.wifiNetworkName = "Lab";
  return sample;
}

void BM_TriggerEvaluationPerSample(benchmark::State& state) {
  TriggerEngine engine(everyRule(), platform::Calendar::current());
  SystemSample sample = busyMachine();
  // Monday 2026-01-05 10:00 UTC: inside the schedule window.
  platform::Date date = platform::Date(789300000);
  for (auto _ : state) {
    sample.date = date;
    TriggerDecision decision = engine.evaluate(sample);
    if (decision.reasons.empty()) state.SkipWithError("the rules kept nothing awake");
    benchmark::DoNotOptimize(decision);
    date = date + 5;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TriggerEvaluationPerSample);

}  // namespace
}  // namespace vigilix

BENCHMARK_MAIN();
