// The built program, idle and under command-line requests, as a person's
// desktop runs it after a first start: a private session bus, a private system bus with a mock
// logind, and a temporary home. Prints, with automatic keep-awake off and
// then on (an application rule, the process table read every 5 s), the min and
// median of three runs of: idle CPU (nanoseconds on a CPU, from schedstat),
// wake-ups, RSS and PSS and, under callgrind, instructions per idle minute;
// then request round trips and the `vigilix` tool's start-up against /bin/true;
// then the same idle figures under a storm of clock steps, and after a first launch on an
// Xvfb screen whose windows were closed.
// Usage: app_resources_bench [--quick] [--idle-seconds N] [--runs N] [--requests N]
// [--callgrind-seconds N] [--tool-runs N] [--only idle|storm|first-launch] [--app PROGRAM]
// [--tool PROGRAM]
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/process_usage.h"
#include "bench/timed_runs.h"
#include "bench/x_windows.h"
#include "dbus/dbus_mock.h"
#include "dbus/main_loop_waiting.h"
#include "dbus/private_bus.h"
#include "dbus/test_child_process.h"
#include "platform/notifications/dbus_notification_center.h"
#include "platform/runloop/live_run_loop.h"
#include "testing/scoped_environment.h"
#include "testing/temporary_folder.h"
#include "x11/xvfb_display.h"

namespace {

using namespace vigilix;
using Clock = std::chrono::steady_clock;

constexpr const char* kRequestName = "run.tarvo.vigilix.cli.request";
constexpr const char* kReplyName = "run.tarvo.vigilix.cli.reply";

using bench::median;
using bench::minimum;
using bench::percentile;

struct Options {
  int idleSeconds = 300;
  int runs = 3;
  int requests = 1000;
  int callgrindSeconds = 60;  // 0: no run under callgrind
  int toolRuns = 300;
  std::string only;  // "idle", "storm" or "first-launch": that part alone
  std::string program = VIGILIX_APP_PROGRAM;
  std::string tool = VIGILIX_TOOL_PROGRAM;
};

// One run's idle figures, per minute where a rate.
struct IdleFigures {
  double cpuPercent = 0;
  double cpuMillisecondsPerMinute = 0;
  double wakeUpsPerMinute = 0;
  double timeslicesPerMinute = 0;
  double rssMB = 0;
  double pssMB = 0;
  double instructionsPerMinute = 0;  // under callgrind only
  double clockNotices = 0;           // "The clock was set." lines, under a stepped clock only
  double openRssMB = 0;              // after a first launch, with its windows open
  double openPssMB = 0;
  bool ended = false;  // the program ended during the window
};

// How one run's window passes: idle, under callgrind, under a storm of clock steps, or idle
// after a first launch on an X screen whose windows (the welcome and the settings) were closed.
enum class Window { idle, callgrind, clockStorm, firstLaunch };

// The stepped clock's thread in the program under a storm: its wake-ups are the storm's.
constexpr const char* kSteppingThread = "stepped-clock";
constexpr int kStepsPerSecond = 10;
constexpr double kStepSeconds = 0.05;

// Steps the program's wall clock 10 times a second, back and forth by 50 ms, as a virtual
// machine's clock synchronisation or a resume does, until destroyed.
class ClockStorm {
 public:
  explicit ClockStorm(const std::filesystem::path& fifo)
      : thread_([this, fifo] {
          std::FILE* steps = std::fopen(fifo.c_str(), "w");
          if (steps == nullptr) return;
          auto next = Clock::now();
          for (int step = 0; !stop_; ++step) {
            std::fprintf(steps, "%+.3f\n", step % 2 == 0 ? kStepSeconds : -kStepSeconds);
            std::fflush(steps);
            next += std::chrono::milliseconds(1000 / kStepsPerSecond);
            std::this_thread::sleep_until(next);
          }
          std::fclose(steps);
        }) {}
  ~ClockStorm() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

int linesSaying(const std::filesystem::path& log, const std::string& text) {
  std::ifstream lines(log);
  int count = 0;
  for (std::string line; std::getline(lines, line);) {
    count += line.find(text) != std::string::npos ? 1 : 0;
  }
  return count;
}

// The settings of a person who has launched the program before, so that no welcome window
// opens (and maps the window toolkit), unless this is the first launch; with `automation`,
// rules that turn automatic keep-awake on with one application rule.
void storeSettings(const std::filesystem::path& home, bool automation, bool firstLaunch) {
  const auto folder = home / ".config/vigilix";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "run.tarvo.vigilix.plist")
      << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
      << (firstLaunch ? "" : "<key>run.tarvo.vigilix.DidShowWelcome</key><true/>")
      << (automation ? "<key>run.tarvo.vigilix.Triggers</key><string>"
                       R"({"isEnabled":true,"appBundleIdentifiers":["org.example.Absent"]})"
                       "</string>"
                     : "")
      << "</dict></plist>\n";
}

// Instructions counted since the last zeroing, from a callgrind dump.
long long dumpedInstructions(const std::filesystem::path& folder) {
  long long total = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind("callgrind.out", 0) != 0) continue;
    std::ifstream dump(entry.path());
    for (std::string line; std::getline(dump, line);) {
      if (line.rfind("totals:", 0) == 0 || line.rfind("summary:", 0) == 0) {
        total = std::max(total, std::atoll(line.c_str() + line.find(':') + 1));
      }
    }
  }
  return total;
}

void printTimes(const char* what, const bench::TimedRuns& runs) {
  std::printf("  %-26s min %.3f ms, p50 %.3f ms, p99 %.3f ms; %.0f page faults%s\n", what,
              minimum(runs.milliseconds), median(runs.milliseconds),
              percentile(runs.milliseconds, 0.99), median(runs.minorFaults),
              runs.failed > 0 ? " (some runs failed)" : "");
}

// This program's own argument area, where /proc/<pid>/cmdline reads it from.
std::span<char> ownArguments;

// Takes `title` as this program's name in the process table, as an agent names itself: a hook it
// runs then finds the agent as the tool's parent rather than walking up to the first process.
void setProcessTitle(std::string_view title) {
  if (ownArguments.size() <= title.size()) return;
  std::fill(ownArguments.begin(), ownArguments.end(), '\0');
  std::copy(title.begin(), title.end(), ownArguments.begin());
}

// The tool as agent hooks and a person run it, against the least a program can cost.
int measureTool(const Options& options, const std::filesystem::path& home) {
  const auto payload = home / "hook-payload.json";
  std::ofstream(payload) << R"({"session_id":"bench-session","prompt_id":"p1"})";
  const auto trueRuns = bench::timeRuns({"/bin/true"}, options.toolRuns);
  const auto help = bench::timeRuns({options.tool, "--help"}, options.toolRuns);
  const auto hook =
      bench::timeRuns({options.tool, "agent", "start", "--tool", "claude", "--vigilix-hook=v1"},
                      options.toolRuns, payload);
  const std::string saved(ownArguments.begin(), ownArguments.end());
  setProcessTitle("claude");
  const auto agentHook =
      bench::timeRuns({options.tool, "agent", "start", "--tool", "claude", "--vigilix-hook=v1"},
                      options.toolRuns, payload);
  std::copy(saved.begin(), saved.end(), ownArguments.begin());
  const auto hold =
      bench::timeRuns({options.tool, "hold", "--tool", "bench", "--ttl", "600"}, options.toolRuns);
  std::printf(
      "the vigilix tool, %d runs each (targets: hook median < 3 ms, hold p99 < 5 ms); "
      "load average %s\n",
      options.toolRuns, bench::loadAverage().c_str());
  printTimes("/bin/true", trueRuns);
  printTimes("vigilix --help", help);
  printTimes("vigilix agent start (hook)", hook);
  printTimes("the hook, its agent's child", agentHook);
  printTimes("vigilix hold (round trip)", hold);
  // What is the tool's own, on a machine whose process start differs from the targets' machine.
  std::printf(
      "  beyond /bin/true, p50      hook %.3f ms, its agent's child %.3f ms, hold %.3f ms\n",
      median(hook.milliseconds) - median(trueRuns.milliseconds),
      median(agentHook.milliseconds) - median(trueRuns.milliseconds),
      median(hold.milliseconds) - median(trueRuns.milliseconds));
  return trueRuns.failed + help.failed + hook.failed + agentHook.failed + hold.failed == 0 ? 0 : 1;
}

// Waits for the first launch's windows, notes the memory while they are open, closes them as
// a person does, and waits until the program has let go of what they took. Says what failed.
const char* closeFirstLaunchWindows(const std::string& display, pid_t pid,
                                    const std::filesystem::path& log, IdleFigures& figures) {
  using namespace std::chrono_literals;
  const auto windows = [&](bool close) {
    return bench::viewableWindows(display, "vigilix", close);
  };
  if (!testing::waitUntil([&] { return windows(false) > 0; }, 30s)) return "no window opened";
  std::this_thread::sleep_for(2s);
  const auto open = bench::usageOf(pid);
  figures.openRssMB = static_cast<double>(open.rssKiB) / 1024.0;
  figures.openPssMB = static_cast<double>(open.pssKiB) / 1024.0;
  // The welcome is answered "Not Now" (its Escape), once it has the focus; then the settings
  // window is closed.
  const auto xdotool = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "/usr/bin/xdotool");
    return testing::TestChildProcess(arguments, log.parent_path() / "xdotool.log").wait(10s) == 0;
  };
  const std::vector<std::string> welcome{"search", "--onlyvisible", "--name", "Welcome to Vigilix"};
  for (int attempt = 0; attempt < 10 && xdotool(welcome); ++attempt) {
    auto answer = welcome;
    answer.insert(answer.end(), {"windowfocus", "--sync", "key", "Escape"});
    xdotool(answer);
    std::this_thread::sleep_for(300ms);
  }
  if (xdotool(welcome)) return "the welcome was not answered";
  for (int round = 0; round < 50 && windows(true) > 0; ++round) std::this_thread::sleep_for(200ms);
  if (windows(false) != 0) return "a window did not close";
  // A program that lets go of nothing (an earlier build) is measured as it stays.
  testing::waitUntil(
      [&] { return testing::readFile(log).find("Nothing is shown") != std::string::npos; }, 10s);
  return nullptr;
}

// One run of the application: idle for a window, then, when asked, requests and the tool.
int run(const Options& options, bool automation, Window window, bool askRequests,
        IdleFigures& figures) {
  const bool callgrind = window == Window::callgrind;
  const int idleSeconds = callgrind ? options.callgrindSeconds : options.idleSeconds;
  const int requests = askRequests ? options.requests : 0;
  const bool firstLaunch = window == Window::firstLaunch;
  const auto home = testing::makeTemporaryFolder("vigilix-bench-home");
  storeSettings(home, automation, firstLaunch);
  std::optional<testing::XvfbDisplay> screen;
  std::optional<testing::ScopedEnvironment> display;
  if (firstLaunch) {
    screen.emplace(1280, 800);
    display.emplace("DISPLAY", screen->name());
  }
  testing::ScopedEnvironment homeVariable("HOME", home.string());
  testing::ScopedEnvironment configVariable("XDG_CONFIG_HOME", (home / ".config").string());
  testing::ScopedEnvironment stateVariable("XDG_STATE_HOME", (home / ".local/state").string());
  testing::PrivateSystemBus systemBus;
  testing::PrivateSessionBus sessionBus;
  testing::DbusMock logind(systemBus, testing::logindInhibitTemplate(), "org.freedesktop.login1");

  auto connection = platform::AsyncBusConnection::open(platform::BusKind::Session);
  if (!connection) {
    std::fprintf(stderr, "no private session bus: %s\n", connection.error().description().c_str());
    return 1;
  }
  std::shared_ptr<platform::AsyncBusConnection> shared = std::move(*connection);
  platform::DBusNotificationCenter center(shared);
  std::string expected;
  bool answered = false;
  nlohmann::json last;
  const auto observer = center.addObserver(
      kReplyName, [&](const std::string&, const std::optional<std::string>& object) {
        if (!object) return;
        const auto reply = nlohmann::json::parse(*object, nullptr, false);
        if (reply.is_object() && reply.value("nonce", "") == expected) {
          last = reply;
          answered = true;
          // Ends the loop's current slice at once, so the wait measures the reply.
          platform::LiveRunLoop::main().stop();
        }
      });
  const auto ask = [&](const std::string& nonce, const std::string& request,
                       std::chrono::milliseconds deadline) {
    expected = nonce;
    answered = false;
    center.post(kRequestName, request);
    return testing::runMainLoopUntil([&] { return answered; }, deadline);
  };

  const auto dumps = home / "callgrind";
  std::vector<std::string> argv{options.program};
  if (callgrind) {
    std::filesystem::create_directories(dumps);
    argv = {"/usr/bin/valgrind", "--tool=callgrind", "--quiet",
            "--callgrind-out-file=" + (dumps / "callgrind.out.%p").string(), options.program};
  }
  // Under callgrind the program starts some fifty times slower.
  const auto patience = std::chrono::milliseconds(callgrind ? 2000 : 200);
  const auto awaitReady = [&] {
    bool ready = false;
    for (int attempt = 0; attempt < 50 && !ready; ++attempt) {
      const std::string nonce = "ready-" + std::to_string(attempt);
      ready = ask(nonce, R"({"v":2,"nonce":")" + nonce + R"(","verb":"epoch"})", patience);
    }
    return ready;
  };
  if (!firstLaunch) {
    // A first start keeps what later starts reuse (the durations' titles), as a person's
    // first launch does; the figures are those of a later start.
    testing::TestChildProcess first({options.program}, home / "first-start.log");
    const bool ready = awaitReady();
    first.stop();
    if (!ready) {
      std::fprintf(stderr, "the application did not answer; its log: %s\n",
                   testing::readFile(home / "first-start.log").c_str());
      std::error_code ignored;
      std::filesystem::remove_all(home, ignored);
      return 1;
    }
  }
  const auto fifo = home / "clock-steps";
  std::optional<testing::ScopedEnvironment> stepped;
  if (window == Window::clockStorm) {
    ::mkfifo(fifo.c_str(), 0600);
    stepped.emplace("LD_PRELOAD", VIGILIX_STEPPED_CLOCK);
    stepped->set("STEPPED_CLOCK_FIFO", fifo.string());
  }
  testing::TestChildProcess app(argv, home / "app.log");
  stepped.reset();
  const auto finish = [&](int result) {
    app.stop();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return result;
  };
  if (!awaitReady()) {
    std::fprintf(stderr, "the application did not answer; its log: %s\n",
                 testing::readFile(home / "app.log").c_str());
    return finish(1);
  }

  // A hold names the instance and settings generation it was meant for.
  const std::string instance =
      R"(,"epoch":)" + last["epoch"].dump() + R"(,"gen":)" + last["gen"].dump() + "}";
  if (const char* failed = firstLaunch ? closeFirstLaunchWindows(screen->name(), app.pid(),
                                                                 home / "app.log", figures)
                                       : nullptr) {
    std::fprintf(stderr, "after the first launch, %s; its log: %s\n", failed,
                 testing::readFile(home / "app.log").c_str());
    return finish(1);
  }
  // Let start-up work settle before the idle window opens.
  std::this_thread::sleep_for(std::chrono::seconds(callgrind ? 10 : 2));
  const auto control = [&](const char* what) {
    const std::string command = "callgrind_control " + std::string(what) + " " +
                                std::to_string(app.pid()) + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  };
  if (callgrind && !control("--zero")) std::fprintf(stderr, "callgrind_control failed\n");
  const std::string leftOut = window == Window::clockStorm ? kSteppingThread : "";
  std::optional<ClockStorm> storm;
  if (window == Window::clockStorm) storm.emplace(fifo);
  const int noticesBefore = linesSaying(home / "app.log", "The clock was set");
  const auto before = bench::usageOf(app.pid(), leftOut);
  std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
  const auto after = bench::usageOf(app.pid(), leftOut);
  storm.reset();
  figures.ended = !app.running();
  if (figures.ended) {
    std::fprintf(stderr, "the application ended (status %d); its log:\n%s\n", app.wait(),
                 testing::readFile(home / "app.log").c_str());
  }
  figures.clockNotices = linesSaying(home / "app.log", "The clock was set") - noticesBefore;
  const double minutes = idleSeconds / 60.0;
  if (callgrind) {
    if (!control("--dump")) std::fprintf(stderr, "callgrind_control failed\n");
    figures.instructionsPerMinute = static_cast<double>(dumpedInstructions(dumps)) / minutes;
    return finish(0);
  }
  const double cpuNanoseconds = static_cast<double>(after.cpuNanoseconds - before.cpuNanoseconds);
  figures.cpuPercent = 100.0 * cpuNanoseconds / (idleSeconds * 1e9);
  figures.cpuMillisecondsPerMinute = cpuNanoseconds / 1e6 / minutes;
  figures.wakeUpsPerMinute =
      static_cast<double>(after.voluntarySwitches - before.voluntarySwitches) / minutes;
  figures.timeslicesPerMinute = static_cast<double>(after.timeslices - before.timeslices) / minutes;
  figures.rssMB = static_cast<double>(after.rssKiB) / 1024.0;
  figures.pssMB = static_cast<double>(after.pssKiB) / 1024.0;
  if (requests == 0) return finish(0);

  std::vector<double> roundTrips;
  std::vector<double> queries;  // "holds": answered from memory
  std::vector<double> holds;    // "hold": the hold is saved before the answer
  roundTrips.reserve(static_cast<std::size_t>(requests));
  int missing = 0;
  for (int index = 0; index < requests; ++index) {
    const std::string nonce = "bench-" + std::to_string(index);
    // Alternate a question the hub answers itself with one that changes state.
    const std::string request =
        index % 2 == 0
            ? R"({"v":2,"nonce":")" + nonce + R"(","verb":"holds"})"
            : R"({"v":2,"nonce":")" + nonce +
                  R"(","verb":"hold","id":"bench:1","ttl":600,"tool":"bench")" + instance;
    const auto start = Clock::now();
    if (!ask(nonce, request, std::chrono::seconds(2))) {
      ++missing;
      continue;
    }
    const double milliseconds =
        std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    roundTrips.push_back(milliseconds);
    (index % 2 == 0 ? queries : holds).push_back(milliseconds);
  }
  const auto loaded = bench::usageOf(app.pid());
  std::printf("requests to the application, automation off; load average %s\n",
              bench::loadAverage().c_str());
  std::printf("  RSS after requests, peak   %.1f MB, %.1f MB\n",
              static_cast<double>(loaded.rssKiB) / 1024.0,
              static_cast<double>(loaded.peakRssKiB) / 1024.0);
  std::printf("  round trips                %zu answered, %d missing\n", roundTrips.size(),
              missing);
  std::printf("  round trip p50, p99        %.3f ms, %.3f ms (target p99 < 2 ms)\n",
              percentile(roundTrips, 0.50), percentile(roundTrips, 0.99));
  std::printf("  holds (query) p50, p99     %.3f ms, %.3f ms\n", percentile(queries, 0.50),
              percentile(queries, 0.99));
  std::printf("  hold (saved) p50, p99      %.3f ms, %.3f ms\n", percentile(holds, 0.50),
              percentile(holds, 0.99));
  const int tool = options.toolRuns > 0 ? measureTool(options, home) : 0;
  return finish(missing == 0 && tool == 0 ? 0 : 1);
}

void printIdle(const std::string& title, const std::vector<IdleFigures>& runs,
               const std::vector<IdleFigures>& callgrindRuns, const Options& options) {
  const auto row = [&](const char* what, double IdleFigures::*field, const char* format) {
    std::vector<double> values;
    for (const auto& run : runs) values.push_back(run.*field);
    std::printf("  %-26s min ", what);
    std::printf(format, minimum(values));
    std::printf(", median ");
    std::printf(format, median(values));
    std::printf("\n");
  };
  std::printf("%s; load average %s\n", title.c_str(), bench::loadAverage().c_str());
  row("idle CPU, % of one core", &IdleFigures::cpuPercent, "%.5f");
  row("idle CPU, ms per minute", &IdleFigures::cpuMillisecondsPerMinute, "%.3f");
  row("wake-ups per minute", &IdleFigures::wakeUpsPerMinute, "%.1f");
  row("timeslices per minute", &IdleFigures::timeslicesPerMinute, "%.1f");
  row("RSS idle, MB", &IdleFigures::rssMB, "%.2f");
  row("PSS idle, MB", &IdleFigures::pssMB, "%.2f");
  if (runs.front().openRssMB > 0) {
    row("RSS, its windows open, MB", &IdleFigures::openRssMB, "%.2f");
    row("PSS, its windows open, MB", &IdleFigures::openPssMB, "%.2f");
  }
  if (runs.front().clockNotices > 0 || title.find("storm") != std::string::npos) {
    row("\"The clock was set.\" lines", &IdleFigures::clockNotices, "%.0f");
  }
  const auto ended = std::count_if(runs.begin(), runs.end(), [](auto& run) { return run.ended; });
  if (ended > 0) std::printf("  the program ended during %zd of the runs\n", ended);
  if (callgrindRuns.empty()) return;
  std::vector<double> instructions;
  for (const auto& run : callgrindRuns) instructions.push_back(run.instructionsPerMinute);
  std::printf("  %-26s min %.0f, median %.0f (callgrind, %d s windows)\n",
              "instructions per minute", minimum(instructions), median(instructions),
              options.callgrindSeconds);
}

}  // namespace

int main(int argc, char** argv) {
  // The arguments lie end to end, each behind its terminator.
  ownArguments = {argv[0],
                  static_cast<std::size_t>(argv[argc - 1] + std::strlen(argv[argc - 1]) - argv[0])};
  Options options;
  for (int index = 1; index < argc; ++index) {
    const std::string flag = argv[index];
    if (flag == "--quick") {
      options.idleSeconds = 30;
      options.requests = 200;
      options.callgrindSeconds = 20;
      options.toolRuns = 100;
      continue;
    }
    const bool hasValue = index + 1 < argc;
    const int value = hasValue ? std::atoi(argv[index + 1]) : -1;
    if (flag == "--idle-seconds" && value > 0) {
      options.idleSeconds = value;
    } else if (flag == "--runs" && value > 0) {
      options.runs = value;
    } else if (flag == "--requests" && value >= 0) {
      options.requests = value;
    } else if (flag == "--callgrind-seconds" && value >= 0) {
      options.callgrindSeconds = value;
    } else if (flag == "--tool-runs" && value >= 0) {
      options.toolRuns = value;
    } else if (flag == "--app" && hasValue) {
      options.program = argv[index + 1];
    } else if (flag == "--only" && hasValue) {
      options.only = argv[index + 1];
    } else if (flag == "--tool" && hasValue) {
      options.tool = argv[index + 1];
    } else {
      std::fprintf(stderr,
                   "usage: %s [--quick] [--idle-seconds N] [--runs N] [--requests N] "
                   "[--callgrind-seconds N] [--tool-runs N] [--only idle|storm|first-launch] "
                   "[--app PROGRAM] [--tool PROGRAM]\n",
                   argv[0]);
      return 2;
    }
    ++index;
  }
  try {
    int failed = 0;
    for (const bool automation : {false, true}) {
      if (!options.only.empty() && options.only != "idle") break;
      std::vector<IdleFigures> runs(static_cast<std::size_t>(options.runs));
      std::vector<IdleFigures> callgrindRuns;
      for (int index = 0; index < options.runs; ++index) {
        // Requests and the tool once, after the first idle window with automation off.
        failed |= run(options, automation, Window::idle, !automation && index == 0,
                      runs[static_cast<std::size_t>(index)]);
      }
      for (int index = 0; options.callgrindSeconds > 0 && index < options.runs; ++index) {
        failed |= run(options, automation, Window::callgrind, false, callgrindRuns.emplace_back());
      }
      printIdle(fmt::format("automation {}: {} runs idle {} s each (targets: CPU < {} % of one "
                            "core, RSS < 12 MB)",
                            automation ? "on" : "off", runs.size(), options.idleSeconds,
                            automation ? "0.05" : "0.01"),
                runs, callgrindRuns, options);
    }
    if (options.only.empty() || options.only == "storm") {
      std::vector<IdleFigures> storms(static_cast<std::size_t>(options.runs));
      for (auto& figures : storms)
        failed |= run(options, false, Window::clockStorm, false, figures);
      printIdle(
          fmt::format("automation off, under a clock-step storm ({} steps a second of "
                      "{:.0f} ms, back and forth): {} runs of {} s each",
                      kStepsPerSecond, kStepSeconds * 1000, storms.size(), options.idleSeconds),
          storms, {}, options);
    }
    if (options.only.empty() || options.only == "first-launch") {
      if (!testing::XvfbDisplay::available()) {
        std::printf("after a first launch: no Xvfb to show its windows on\n");
        return failed;
      }
      std::vector<IdleFigures> launches(static_cast<std::size_t>(options.runs));
      for (auto& figures : launches) {
        failed |= run(options, false, Window::firstLaunch, false, figures);
      }
      printIdle(fmt::format("automation off, after a first launch on an Xvfb screen whose "
                            "windows were closed: {} runs idle {} s each (target RSS < 12 MB)",
                            launches.size(), options.idleSeconds),
                launches, {}, options);
    }
    return failed;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
