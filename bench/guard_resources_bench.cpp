// The built guard as root under a temporary file-system root, a private system
// bus and a mock logind, measured from outside: idle CPU and wake-ups per
// minute without a lease and with one renewed every 10 s, then the time a
// proper client waits for `status` alone, beside a client that never reads its
// replies, and beside 2,000 silent connections of another user. Its clients
// are this program, copied to the application's path.
// The guard may open as many descriptors as its unit allows (--nofile, 256).
// Usage: guard_resources_bench [--quick] [--idle-seconds N] [--requests N] [--guard PROGRAM]
//                              [--nofile N]
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/process_usage.h"
#include "dbus/dbus_mock.h"
#include "dbus/mock_logind_test_fixture.h"
#include "dbus/private_bus.h"
#include "dbus/test_child_process.h"
#include "platform/ipc/packet_socket.h"
#include "sleepguard/common/guard_names.h"
#include "testing/scoped_environment.h"
#include "testing/temporary_folder.h"

namespace {

using namespace vigilix;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kStatus = R"({"method":"status"})";
constexpr const char* kHold =
    R"({"method":"hold","userInitiated":true,"batteryFloorPercent":20,"batteryCapHours":4})";

struct Options {
  int idleSeconds = 120;
  int requests = 300;
  int nofile = 256;
  std::string guard = VIGILIX_GUARD_PROGRAM;
};

void say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

// ---- The clients, run from the application's path.

std::string tokenOf(const std::string& reply) {
  const auto at = reply.find(R"("token":")");
  if (at == std::string::npos) return "";
  const auto start = at + 9;
  return reply.substr(start, reply.find('"', start) - start);
}

// Holds, then renews every 10 s as the application does.
int renewing(const std::string& socket) {
  auto connection = platform::connectPacketSocket(socket);
  if (!connection || !platform::sendPacket(connection->get(), kHold)) return 1;
  const auto grant = platform::receivePacket(connection->get());
  const std::string token = grant ? tokenOf(grant->bytes) : "";
  if (token.empty()) return 1;
  say("held");
  const std::string renew = R"({"method":"renew","token":")" + token + R"("})";
  for (;;) {
    std::this_thread::sleep_for(std::chrono::seconds(10));
    if (!platform::sendPacket(connection->get(), renew) ||
        !platform::receivePacket(connection->get())) {
      return 1;
    }
  }
}

// Sends `status` without ever reading a reply, again on a new connection
// whenever the guard closes one.
int stalling(const std::string& socket) {
  say("stalling");
  for (;;) {
    auto connection = platform::connectPacketSocket(socket);
    if (!connection) return 1;
    for (;;) {
      const ssize_t sent =
          ::send(connection->get(), kStatus, std::strlen(kStatus), MSG_DONTWAIT | MSG_NOSIGNAL);
      if (sent > 0) continue;
      if (errno != EAGAIN) break;
      pollfd writable{connection->get(), POLLOUT, 0};
      ::poll(&writable, 1, 10);
    }
  }
}

// Opens `count` connections and says nothing on any of them.
int flooding(const std::string& socket, int count) {
  std::vector<platform::UniqueFd> connections;
  for (int made = 0; made < count; ++made) {
    auto connection = platform::connectPacketSocket(socket);
    if (connection) connections.push_back(std::move(*connection));
  }
  say("flooding " + std::to_string(connections.size()));
  for (;;) ::pause();
}

// `count` status round trips, each given 1 s: prints the milliseconds of each.
int asking(const std::string& socket, int count) {
  std::optional<platform::UniqueFd> connection;
  for (int index = 0; index < count; ++index) {
    const auto start = Clock::now();
    if (!connection) {
      auto made = platform::connectPacketSocket(socket);
      if (made) connection = std::move(*made);
    }
    bool answered = false;
    if (connection && platform::sendPacket(connection->get(), kStatus)) {
      pollfd readable{connection->get(), POLLIN, 0};
      if (::poll(&readable, 1, 1000) == 1) {
        const auto reply = platform::receivePacket(connection->get());
        answered = reply && !reply->closed;
      }
    }
    if (!answered) connection.reset();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    say(answered ? std::to_string(ms) : "unanswered");
  }
  return 0;
}

int client(const std::vector<std::string>& arguments) {
  ::signal(SIGPIPE, SIG_IGN);
  const std::string& role = arguments.at(2);
  const std::string& socket = arguments.at(3);
  if (role == "renew") return renewing(socket);
  if (role == "stall") return stalling(socket);
  if (role == "flood") return flooding(socket, std::stoi(arguments.at(4)));
  if (role == "ask") return asking(socket, std::stoi(arguments.at(4)));
  return 64;
}

// ---- The measuring side.

std::string underRoot(const fs::path& root, std::string_view systemPath) {
  return (root / fs::path(systemPath).relative_path()).string();
}

void writeText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

struct Machine {
  fs::path root = vigilix::testing::makeTemporaryFolder("vigilix-guard-bench");
  std::string app;
  std::string socket;

  Machine() {
    for (const auto folder : {VGXGuardNames::stateDirectory, VGXGuardNames::socketDirectory}) {
      fs::create_directories(underRoot(root, folder));
    }
    writeText(underRoot(root, "/proc/sys/kernel/random/boot_id"),
              vigilix::testing::readFile("/proc/sys/kernel/random/boot_id"));
    writeText(underRoot(root, "/sys/class/power_supply/AC/type"), "Mains\n");
    writeText(underRoot(root, "/sys/class/power_supply/AC/online"), "1\n");
    app = underRoot(root, VGXGuardNames::appPath());
    fs::create_directories(fs::path(app).parent_path());
    fs::copy_file(fs::read_symlink("/proc/self/exe"), app);
    ::chmod(root.c_str(), 0755);
    for (auto entry = fs::recursive_directory_iterator(root); entry != fs::end(entry); ++entry) {
      ::chmod(entry->path().c_str(), entry->is_directory() ? 0755 : 0644);
    }
    ::chmod(app.c_str(), 0755);
    socket = underRoot(root, VGXGuardNames::socketPath(VGXGuardNames::guardMachService));
  }
  ~Machine() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  std::vector<std::string> clientArguments(const std::string& role, int count = 0,
                                           bool asNobody = false) const {
    std::vector<std::string> argv;
    if (asNobody) argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    argv.insert(argv.end(), {app, "client", role, socket});
    if (count > 0) argv.push_back(std::to_string(count));
    return argv;
  }
};

void printIdle(const char* what, pid_t guard, int seconds) {
  const auto before = bench::usageOf(guard);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const auto after = bench::usageOf(guard);
  const double minutes = seconds / 60.0;
  const double cpuMs = static_cast<double>(after.cpuNanoseconds - before.cpuNanoseconds) / 1e6;
  std::printf("  %-34s CPU %.4f %% of a core (%.2f ms a minute), %.1f wake-ups a minute\n", what,
              cpuMs / (seconds * 1000.0) * 100.0, cpuMs / minutes,
              static_cast<double>(after.voluntarySwitches - before.voluntarySwitches) / minutes);
}

void printWaits(const char* what, const Machine& machine, int requests, pid_t guard) {
  const fs::path log = machine.root / "ask.log";
  fs::remove(log);
  vigilix::testing::TestChildProcess ask(machine.clientArguments("ask", requests), log);
  ask.wait(std::chrono::seconds(requests * 2 + 10));
  std::vector<double> ms;
  int unanswered = 0;
  std::istringstream lines(vigilix::testing::readFile(log));
  for (std::string line; std::getline(lines, line);) {
    if (line == "unanswered") {
      ++unanswered;
    } else if (!line.empty()) {
      ms.push_back(std::atof(line.c_str()));
    }
  }
  std::size_t descriptors = 0;
  for ([[maybe_unused]] const auto& entry :
       fs::directory_iterator("/proc/" + std::to_string(guard) + "/fd")) {
    ++descriptors;
  }
  std::printf(
      "  %-34s p50 %.3f ms, p99 %.3f ms, max %.3f ms; %d of %d unanswered in 1 s; the guard "
      "holds %zu descriptors\n",
      what, bench::median(ms), bench::percentile(ms, 0.99),
      ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()), unanswered, requests,
      descriptors);
}

bool logSays(const fs::path& log, const std::string& text) {
  return vigilix::testing::waitUntil(
      [&] { return vigilix::testing::readFile(log).find(text) != std::string::npos; },
      std::chrono::seconds(30));
}

int measure(const Options& options) {
  if (::geteuid() != 0) {
    say("guard_resources_bench: the guard runs as root only; skipped");
    return 0;
  }
  Machine machine;
  vigilix::testing::ScopedEnvironment rootVariable("VIGILIX_ROOT", machine.root.string());
  vigilix::testing::PrivateSystemBus bus;
  vigilix::testing::DbusMock logind(bus, vigilix::testing::logindInhibitTemplate(),
                                    "org.freedesktop.login1");
  vigilix::testing::addSeatSession("c0", "seat0", 0, "root", true);
  vigilix::testing::addSeatSession("c1", "seat1", 65534, "nobody", true);
  const std::string limit = std::to_string(options.nofile);
  vigilix::testing::TestChildProcess guard(
      {"/usr/bin/prlimit", "--nofile=" + limit + ":" + limit, options.guard},
      machine.root / "guard.log");
  if (!vigilix::testing::waitUntil([&] { return fs::exists(machine.socket); })) {
    say("the guard did not start:\n" + vigilix::testing::readFile(machine.root / "guard.log"));
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::seconds(2));  // past its start-up work
  std::printf("the guard %s (%d descriptors at most), %d s windows; load average %s\n",
              options.guard.c_str(), options.nofile, options.idleSeconds,
              bench::loadAverage().c_str());
  printIdle("idle, no lease:", guard.pid(), options.idleSeconds);
  {
    const fs::path log = machine.root / "renew.log";
    vigilix::testing::TestChildProcess renewing(machine.clientArguments("renew"), log);
    if (!logSays(log, "held")) say("no lease was granted:\n" + vigilix::testing::readFile(log));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    printIdle("a lease renewed every 10 s:", guard.pid(), options.idleSeconds);
  }

  std::printf("a proper client's status round trips, %d each (target: under 10 ms)\n",
              options.requests);
  printWaits("alone:", machine, options.requests, guard.pid());
  {
    const fs::path log = machine.root / "stall.log";
    vigilix::testing::TestChildProcess stalling(machine.clientArguments("stall"), log);
    logSays(log, "stalling");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    printWaits("beside a client that never reads:", machine, options.requests, guard.pid());
  }
  {
    const fs::path log = machine.root / "flood.log";
    vigilix::testing::TestChildProcess flooding(machine.clientArguments("flood", 2000, true), log);
    logSays(log, "flooding");
    printWaits("beside 2,000 silent connections:", machine, options.requests, guard.pid());
  }
  if (!guard.running()) say("the guard ended");
  const std::string log = vigilix::testing::readFile(machine.root / "guard.log");
  if (!log.empty()) say("what the guard logged:\n" + log);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv, argv + argc);
  if (arguments.size() >= 4 && arguments[1] == "client") return client(arguments);
  Options options;
  for (std::size_t index = 1; index < arguments.size(); ++index) {
    const std::string& flag = arguments[index];
    const bool valued = index + 1 < arguments.size();
    if (flag == "--quick") {
      options.idleSeconds = 30;
      options.requests = 100;
    } else if (flag == "--idle-seconds" && valued) {
      options.idleSeconds = std::atoi(arguments[++index].c_str());
    } else if (flag == "--requests" && valued) {
      options.requests = std::atoi(arguments[++index].c_str());
    } else if (flag == "--nofile" && valued) {
      options.nofile = std::atoi(arguments[++index].c_str());
    } else if (flag == "--guard" && valued) {
      options.guard = arguments[++index];
    }
  }
  return measure(options);
}
