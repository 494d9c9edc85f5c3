#include "guard/guard_end_to_end_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "dbus/mock_logind_test_fixture.h"
#include "platform/fs/file_system.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/core/logind_sleep_runner.h"
#include "testing/temporary_folder.h"

namespace vigilix::testing {
namespace {

namespace fs = std::filesystem;

std::string underRoot(const fs::path& root, std::string_view systemPath) {
  return (root / fs::path(systemPath).relative_path()).string();
}

// A file (and its folders) that a peer check and another user can use: root's, 0755.
void placeProgram(const fs::path& from, const fs::path& to) {
  fs::create_directories(to.parent_path());
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  ::chmod(to.c_str(), 0755);
}

void writeText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

}  // namespace

GuardEndToEndFixture::GuardEndToEndFixture() : root_(makeTemporaryFolder("vigilix-guard-root")) {}

GuardEndToEndFixture::~GuardEndToEndFixture() {
  guard_.reset();
  logind_.reset();
  bus_.reset();
  rootVariable_.reset();
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

void GuardEndToEndFixture::SetUp() {
  if (::geteuid() != 0) GTEST_SKIP() << "the guard runs as root only (CI runs as root)";
  // Every folder from the root down is root's and 0755, as on a real system.
  ::chmod(root_.c_str(), 0755);
  for (const auto folder : {VGXGuardNames::stateDirectory, VGXGuardNames::socketDirectory}) {
    fs::create_directories(underRoot(root_, folder));
  }
  writeText(underRoot(root_, "/proc/sys/kernel/random/boot_id"),
            readFile("/proc/sys/kernel/random/boot_id"));
  writeText(underRoot(root_, "/sys/class/power_supply/AC/type"), "Mains\n");
  writeText(underRoot(root_, "/sys/class/power_supply/AC/online"), "1\n");
  for (auto entry = fs::recursive_directory_iterator(root_); entry != fs::end(entry); ++entry) {
    ::chmod(entry->path().c_str(), entry->is_directory() ? 0755 : 0644);
  }
  application_ = underRoot(root_, VGXGuardNames::appPath());
  installer_ = underRoot(root_, VGXGuardNames::installerExecutablePath());
  placeProgram(VIGILIX_GUARD_TEST_PEER, application_);
  placeProgram(VIGILIX_GUARD_TEST_PEER, installer_);

  rootVariable_.emplace("VIGILIX_ROOT", root_.string());
  bus_.emplace();
  logind_.emplace(*bus_, logindInhibitTemplate(), "org.freedesktop.login1");
  // The guard serves the person at the machine: root runs the application
  // here, logged in at a seat.
  addSeatSession("c0", "seat0", 0, "root", true);
}

std::string GuardEndToEndFixture::socketPath(Socket socket) const {
  return underRoot(
      root_, VGXGuardNames::socketPath(socket == Socket::admin ? VGXGuardNames::adminMachService
                                                               : VGXGuardNames::guardMachService));
}

void GuardEndToEndFixture::startGuard(const std::string& names, const std::string& program) {
  const auto client = socketPath(Socket::client);
  const auto admin = socketPath(Socket::admin);
  // A guard started before left its socket files; wait for the new ones.
  guard_.reset();
  fs::remove(client);
  fs::remove(admin);
  guard_.emplace(std::vector<std::string>{"/usr/bin/systemd-socket-activate", "--seqpacket", "-l",
                                          client, "-l", admin, "--fdname=" + names, "-E",
                                          "VIGILIX_ROOT", "-E", "DBUS_SYSTEM_BUS_ADDRESS", program},
                 root_ / "guard.log");
  ASSERT_TRUE(waitUntil([&] { return fs::exists(client) && fs::exists(admin); })) << guardLog();
  // As the client socket unit has it; the admin socket too, so that the
  // guard's own check of the user is what refuses there.
  ::chmod(client.c_str(), 0666);
  ::chmod(admin.c_str(), 0666);
}

void GuardEndToEndFixture::startGuardOnItsOwnSockets() {
  guard_.emplace(std::vector<std::string>{VIGILIX_GUARD_PROGRAM}, root_ / "guard.log");
  ASSERT_TRUE(waitUntil([&] {
    return fs::exists(socketPath(Socket::client)) && fs::exists(socketPath(Socket::admin));
  })) << guardLog();
}

std::string GuardEndToEndFixture::guardLog() const { return readFile(root_ / "guard.log"); }

std::vector<std::string> GuardEndToEndFixture::call(Socket socket,
                                                    const std::vector<std::string>& requests,
                                                    User user, std::optional<std::string> program) {
  std::vector<std::string> argv;
  if (user == User::nobody) {
    argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  }
  argv.push_back(program.value_or(application_.string()));
  argv.push_back("call");
  const auto service =
      socket == Socket::admin ? VGXGuardNames::adminMachService : VGXGuardNames::guardMachService;
  argv.push_back(underRoot(root_, VGXGuardNames::socketPath(service)));
  argv.insert(argv.end(), requests.begin(), requests.end());
  const fs::path log = root_ / ("call-" + std::to_string(++calls_) + ".log");
  TestChildProcess run(argv, log);
  // A first connection starts the guard, which under the sanitizers on a busy machine takes
  // more than the usual ten seconds.
  EXPECT_EQ(run.wait(std::chrono::seconds(60)), 0) << readFile(log);
  std::istringstream lines(readFile(log));
  ::unlink(log.c_str());
  std::vector<std::string> replies;
  for (std::string line; std::getline(lines, line);) replies.push_back(line);
  return replies;
}

std::string GuardEndToEndFixture::tokenOf(const std::string& reply) {
  const auto parsed = nlohmann::json::parse(reply, nullptr, false);
  if (!parsed.is_object() || !parsed.contains("token") || !parsed["token"].is_string()) return "";
  return parsed["token"].get<std::string>();
}

bool GuardEndToEndFixture::guardHoldsSleepSwitch() const {
  for (const auto& lock : locksOf(guard_->pid())) {
    if (lock.mode == "block" && lock.inhibits("sleep") && lock.inhibits("handle-lid-switch")) {
      return true;
    }
  }
  return false;
}

}  // namespace vigilix::testing
