// The built program, idle and under command-line requests, as a person's
// desktop runs it: a private session bus, a private system bus with a mock
// logind, and a temporary home. Prints, with automatic keep-awake off and
// then on (an application rule, the process table read every 5 s), idle CPU,
// wake-ups, memory and, under callgrind, instructions per idle minute; then
// round trips. Usage: app_resources_bench [--idle-seconds N] [--requests N]
// [--callgrind-seconds N] [--app PROGRAM]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "dbus/dbus_mock.h"
#include "dbus/main_loop_waiting.h"
#include "dbus/private_bus.h"
#include "dbus/test_child_process.h"
#include "platform/notifications/sd_bus_notification_center.h"
#include "platform/runloop/live_run_loop.h"
#include "testing/scoped_environment.h"
#include "testing/temporary_folder.h"

namespace {

using namespace vigilix;
using Clock = std::chrono::steady_clock;

constexpr const char* kRequestName = "run.tarvo.vigilix.cli.request";
constexpr const char* kReplyName = "run.tarvo.vigilix.cli.reply";

struct Usage {
  double cpuSeconds = 0;       // user plus system time
  long voluntarySwitches = 0;  // sleeps that ended in a wake-up
  long rssKiB = 0;
  long peakRssKiB = 0;
};

long statusField(const std::string& status, const std::string& key) {
  std::istringstream lines(status);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(key + ":", 0) == 0)
      return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
  }
  return -1;
}

Usage usageOf(pid_t pid) {
  const std::string folder = "/proc/" + std::to_string(pid);
  std::ifstream statFile(folder + "/stat");
  std::string stat((std::istreambuf_iterator<char>(statFile)), {});
  // Fields after the command's closing parenthesis; utime and stime are the
  // 14th and 15th of the whole line, the 12th and 13th after it.
  std::istringstream rest(stat.substr(stat.rfind(')') + 2));
  std::vector<std::string> fields;
  for (std::string field; rest >> field;) fields.push_back(field);
  Usage usage;
  if (fields.size() > 12) {
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    usage.cpuSeconds = (std::stod(fields[11]) + std::stod(fields[12])) / ticks;
  }
  std::ifstream statusFile(folder + "/status");
  const std::string status((std::istreambuf_iterator<char>(statusFile)), {});
  // Every thread's sleeps count: a helper thread's timer wakes the machine too.
  for (const auto& task : std::filesystem::directory_iterator(folder + "/task")) {
    std::ifstream taskFile(task.path() / "status");
    const std::string taskStatus((std::istreambuf_iterator<char>(taskFile)), {});
    usage.voluntarySwitches += std::max(0L, statusField(taskStatus, "voluntary_ctxt_switches"));
  }
  usage.rssKiB = statusField(status, "VmRSS");
  usage.peakRssKiB = statusField(status, "VmHWM");
  return usage;
}

double percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

struct Options {
  int idleSeconds = 60;
  int requests = 1000;
  int callgrindSeconds = 0;  // 0: no run under callgrind
  std::string program = VIGILIX_APP_PROGRAM;
};

// Stored rules that turn automatic keep-awake on with one application rule.
void storeAutomationOn(const std::filesystem::path& home) {
  const auto folder = home / ".config/vigilix";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "run.tarvo.vigilix.plist")
      << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
         "<key>run.tarvo.vigilix.Triggers</key><string>"
         R"({"isEnabled":true,"appBundleIdentifiers":["org.example.Absent"]})"
         "</string></dict></plist>\n";
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

int run(const Options& options, bool automation, bool callgrind, bool askRequests) {
  const int idleSeconds = callgrind ? options.callgrindSeconds : options.idleSeconds;
  const int requests = askRequests ? options.requests : 0;
  const auto home = testing::makeTemporaryFolder("vigilix-bench-home");
  if (automation) storeAutomationOn(home);
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
  platform::SdBusNotificationCenter center(shared);
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
  testing::TestChildProcess app(argv, home / "app.log");
  bool ready = false;
  // Under callgrind the program starts some fifty times slower.
  const auto patience = std::chrono::milliseconds(callgrind ? 2000 : 200);
  for (int attempt = 0; attempt < 50 && !ready; ++attempt) {
    const std::string nonce = "ready-" + std::to_string(attempt);
    ready = ask(nonce, R"({"v":2,"nonce":")" + nonce + R"(","verb":"epoch"})", patience);
  }
  if (!ready) {
    std::fprintf(stderr, "the application did not answer; its log: %s\n",
                 testing::readFile(home / "app.log").c_str());
    return 1;
  }

  // A hold names the instance and settings generation it was meant for.
  const std::string instance =
      R"(,"epoch":)" + last["epoch"].dump() + R"(,"gen":)" + last["gen"].dump() + "}";
  // Let start-up work settle before the idle window opens.
  std::this_thread::sleep_for(std::chrono::seconds(callgrind ? 10 : 2));
  const auto control = [&](const char* what) {
    const std::string command = "callgrind_control " + std::string(what) + " " +
                                std::to_string(app.pid()) + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  };
  if (callgrind && !control("--zero")) std::fprintf(stderr, "callgrind_control failed\n");
  const Usage before = usageOf(app.pid());
  std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
  const Usage after = usageOf(app.pid());
  if (callgrind) {
    if (!control("--dump")) std::fprintf(stderr, "callgrind_control failed\n");
    const double perMinute =
        60.0 * static_cast<double>(dumpedInstructions(dumps)) / static_cast<double>(idleSeconds);
    std::printf("automation %-3s instructions %.0f per idle minute (callgrind, %d s scaled)\n",
                automation ? "on" : "off", perMinute, idleSeconds);
    app.stop();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return 0;
  }
  const double cpuPercent = 100.0 * (after.cpuSeconds - before.cpuSeconds) / idleSeconds;
  const double wakeUpsPerMinute =
      60.0 * static_cast<double>(after.voluntarySwitches - before.voluntarySwitches) / idleSeconds;

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
  const Usage loaded = usageOf(app.pid());

  std::printf("automation %-3s idle window   %d s\n", automation ? "on" : "off", idleSeconds);
  std::printf("  idle CPU                  %.4f %% of one core, %.1f ms per minute\n", cpuPercent,
              60'000.0 * (after.cpuSeconds - before.cpuSeconds) / idleSeconds);
  std::printf("  wake-ups                  %.1f per minute (voluntary context switches)\n",
              wakeUpsPerMinute);
  std::printf("  RSS when idle             %.1f MB\n", static_cast<double>(after.rssKiB) / 1024.0);
  if (requests == 0) {
    app.stop();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return 0;
  }
  std::printf("RSS after requests, peak    %.1f MB, %.1f MB\n",
              static_cast<double>(loaded.rssKiB) / 1024.0,
              static_cast<double>(loaded.peakRssKiB) / 1024.0);
  std::printf("round trips                 %zu answered, %d missing\n", roundTrips.size(), missing);
  std::printf("round trip p50, p99         %.3f ms, %.3f ms (target p99 < 2 ms)\n",
              percentile(roundTrips, 0.50), percentile(roundTrips, 0.99));
  std::printf("  holds (query) p50, p99    %.3f ms, %.3f ms\n", percentile(queries, 0.50),
              percentile(queries, 0.99));
  std::printf("  hold (saved) p50, p99     %.3f ms, %.3f ms\n", percentile(holds, 0.50),
              percentile(holds, 0.99));
  app.stop();
  std::error_code ignored;
  std::filesystem::remove_all(home, ignored);
  return missing == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int index = 1; index + 1 < argc; index += 2) {
    const std::string flag = argv[index];
    const int value = std::atoi(argv[index + 1]);
    if (flag == "--idle-seconds" && value > 0) {
      options.idleSeconds = value;
    } else if (flag == "--requests" && value > 0) {
      options.requests = value;
    } else if (flag == "--callgrind-seconds" && value >= 0) {
      options.callgrindSeconds = value;
    } else if (flag == "--app") {
      options.program = argv[index + 1];
    } else {
      std::fprintf(stderr,
                   "usage: %s [--idle-seconds N] [--requests N] [--callgrind-seconds N] "
                   "[--app PROGRAM]\n",
                   argv[0]);
      return 2;
    }
  }
  try {
    int failed = 0;
    for (const bool automation : {false, true}) {
      failed |= run(options, automation, false, !automation);
      if (options.callgrindSeconds > 0) failed |= run(options, automation, true, false);
    }
    return failed;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
