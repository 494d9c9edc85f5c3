// One sampler pass that needs the process table, over a /proc tree of 100, 400 and 2,000
// processes (a third of them kernel threads, as on a desktop), once every process has been
// seen: the pass a trigger on applications makes every 5 s. The tree lies in a temporary
// folder, so the figures include the file-system calls but not the kernel's own /proc work;
// the same pass over this machine's /proc, filled with sleeping processes up to 400 and
// 2,000, has the kernel's.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/fake_proc_tree.h"
#include "triggers/live_system_sampler.h"
#include "triggers/sample_inputs.h"

namespace vigilix {
namespace {

void fillProcessTable(const testing::FakeProcTree& tree, int processes) {
  for (int pid = 1; pid <= processes; ++pid) {
    const std::string folder = "proc/" + std::to_string(pid);
    if (pid % 3 == 0) {
      // A kernel thread: no command line, no executable, PF_KTHREAD in its flags.
      tree.writeFile(folder + "/stat", std::to_string(pid) +
                                           " (kworker/0:1) I 2 0 0 0 -1 69238880 0 0 0 0 0 "
                                           "0 0 0 20 0 1 0 " +
                                           std::to_string(pid) + " 0 0 18446744073709551615\n");
      tree.writeFile(folder + "/cmdline", "");
      tree.writeFile(folder + "/comm", "kworker/0:1\n");
      continue;
    }
    const std::string name = "tool" + std::to_string(pid % 40);
    tree.addProcess(pid, "/usr/bin/" + name + std::string(1, '\0') + "--flag", name,
                    "/usr/bin/" + name);
    tree.setProcessStat(pid, 1, static_cast<std::uint64_t>(1000 + pid));
  }
}

// Passes over the applications in the table under `root`, every process seen once before.
void steadyPasses(benchmark::State& state, const std::filesystem::path& root) {
  LiveSystemSampler sampler(SystemSources::live(root));
  SampleInputs inputs;
  inputs.applications = true;
  benchmark::DoNotOptimize(sampler.sample(inputs));
  for (auto _ : state) {
    benchmark::DoNotOptimize(sampler.sample(inputs));
  }
}

void BM_ApplicationsPass(benchmark::State& state) {
  testing::FakeProcTree tree;
  fillProcessTable(tree, static_cast<int>(state.range(0)));
  steadyPasses(state, tree.root());
  state.SetLabel("target < 2 ms at 400, < 10 ms at 2,000");
}
BENCHMARK(BM_ApplicationsPass)->Arg(100)->Arg(400)->Arg(2000)->Unit(benchmark::kMillisecond);

std::size_t processesListed() {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    count += name.find_first_not_of("0123456789") == std::string::npos ? 1 : 0;
  }
  return count;
}

// Sleeping processes that fill this machine's process table up to a number, ended with it.
class Sleepers {
 public:
  explicit Sleepers(std::size_t total) {
    char program[] = "/bin/sleep";
    char duration[] = "100000";
    char* arguments[] = {program, duration, nullptr};
    for (std::size_t listed = processesListed(); listed + pids_.size() < total;) {
      pid_t pid = 0;
      if (::posix_spawn(&pid, program, nullptr, nullptr, arguments, environ) != 0) break;
      pids_.push_back(pid);
    }
  }
  ~Sleepers() {
    for (const pid_t pid : pids_) ::kill(pid, SIGKILL);
    for (const pid_t pid : pids_) ::waitpid(pid, nullptr, 0);
  }
  Sleepers(const Sleepers&) = delete;
  Sleepers& operator=(const Sleepers&) = delete;

 private:
  std::vector<pid_t> pids_;
};

// The pass over this machine's /proc holding `range(0)` processes, every one seen before.
void BM_RealTablePass(benchmark::State& state) {
  const Sleepers sleepers(static_cast<std::size_t>(state.range(0)));
  steadyPasses(state, "/");
  state.SetLabel(std::to_string(processesListed()) +
                 " processes; target < 2 ms at 400, < 10 ms at 2,000");
}
BENCHMARK(BM_RealTablePass)->Arg(400)->Arg(2000)->Unit(benchmark::kMillisecond);

// The first pass over the same table, as after a start: no process seen before.
void BM_RealTableFirstPass(benchmark::State& state) {
  const Sleepers sleepers(static_cast<std::size_t>(state.range(0)));
  SampleInputs inputs;
  inputs.applications = true;
  for (auto _ : state) {
    LiveSystemSampler sampler(SystemSources::live("/"));
    benchmark::DoNotOptimize(sampler.sample(inputs));
  }
  state.SetLabel(std::to_string(processesListed()) + " processes");
}
BENCHMARK(BM_RealTableFirstPass)->Arg(400)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vigilix

BENCHMARK_MAIN();
