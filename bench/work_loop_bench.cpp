// Draining a backlog of the main queue: N tasks posted at once, then run one
// by one, as a flood of bus calls leaves them. The time per task should stay
// flat as N grows; a queue that searches its entries grows with N.
#include <benchmark/benchmark.h>

#include "platform/runloop/live_clock.h"
#include "platform/runloop/work_loop.h"

namespace vigilix::platform {
namespace {

void drainBacklog(benchmark::State& state) {
  const auto tasks = static_cast<std::size_t>(state.range(0));
  LiveClock clock;
  WorkLoop loop(clock);
  std::size_t ran = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < tasks; ++i) loop.postNow([&ran] { ++ran; });
    while (loop.runNextDue()) {
    }
  }
  benchmark::DoNotOptimize(ran);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(tasks));
}
BENCHMARK(drainBacklog)->Arg(1'000)->Arg(20'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vigilix::platform

BENCHMARK_MAIN();
