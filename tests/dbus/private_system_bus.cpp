#include "dbus/private_system_bus.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/dbus/bus_connection.h"
#include "testing/temporary_folder.h"

extern char** environ;

namespace vigilix::testing {

namespace {

constexpr const char* kAddressVariable = "DBUS_SYSTEM_BUS_ADDRESS";

std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Permissive, like the CI machines' own bus would be to root, and without
// service activation, so nothing of the machine's is ever started.
std::string configFor(const std::filesystem::path& socket) {
  return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig>\n"
         "  <type>system</type>\n"
         "  <listen>unix:path=" +
         socket.string() +
         "</listen>\n"
         "  <auth>EXTERNAL</auth>\n"
         "  <policy context=\"default\">\n"
         "    <allow user=\"*\"/>\n"
         "    <allow own=\"*\"/>\n"
         "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
         "    <allow receive_sender=\"*\"/>\n"
         "    <allow eavesdrop=\"true\"/>\n"
         "  </policy>\n"
         "</busconfig>\n";
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

TestChildProcess::TestChildProcess(const std::vector<std::string>& argv,
                                   const std::filesystem::path& logFile) {
  // Everything the child needs is made before fork: after it, only exec-safe calls.
  std::vector<std::string> strings = argv;
  std::vector<char*> arguments;
  for (std::string& s : strings) arguments.push_back(s.data());
  arguments.push_back(nullptr);
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
  environment.emplace_back("PYTHONDONTWRITEBYTECODE=1");  // keeps the source tree clean
  std::vector<char*> environmentPointers;
  for (std::string& s : environment) environmentPointers.push_back(s.data());
  environmentPointers.push_back(nullptr);
  const int log = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (log < 0) throw std::runtime_error("cannot open " + logFile.string());
  const pid_t parent = ::getpid();

  pid_ = ::fork();
  if (pid_ == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    const int input = ::open("/dev/null", O_RDONLY);
    if (input < 0 || ::dup2(input, STDIN_FILENO) < 0 || ::dup2(log, STDOUT_FILENO) < 0 ||
        ::dup2(log, STDERR_FILENO) < 0) {
      ::_exit(127);
    }
    ::execve(arguments[0], arguments.data(), environmentPointers.data());
    ::_exit(127);
  }
  ::close(log);
  if (pid_ < 0) throw std::runtime_error("cannot start " + argv.front());
}

TestChildProcess::~TestChildProcess() { stop(); }

bool TestChildProcess::running() {
  if (reaped_ || pid_ <= 0) return false;
  int status = 0;
  const pid_t answer = ::waitpid(pid_, &status, WNOHANG);
  if (answer == pid_ || (answer < 0 && errno == ECHILD)) reaped_ = true;
  return !reaped_;
}

void TestChildProcess::stop(int signal) {
  if (!running()) return;
  ::kill(pid_, signal);
  if (waitUntil([this] { return !running(); }, std::chrono::seconds(5))) return;
  ::kill(pid_, SIGKILL);
  waitUntil([this] { return !running(); }, std::chrono::seconds(5));
}

PrivateSystemBus::PrivateSystemBus() : folder_(makeTemporaryFolder("vigilix-bus")) {
  const std::filesystem::path socket = folder_ / "system_bus_socket";
  const std::filesystem::path config = folder_ / "system.conf";
  std::ofstream(config) << configFor(socket);
  address_ = "unix:path=" + socket.string();
  if (const char* former = std::getenv(kAddressVariable)) formerAddress_ = former;
  ::setenv(kAddressVariable, address_.c_str(), 1);

  daemon_.emplace(
      std::vector<std::string>{"/usr/bin/dbus-daemon", "--config-file=" + config.string(),
                               "--nofork", "--nosyslog"},
      folder_ / "dbus-daemon.log");
  const bool answers =
      waitUntil([this] {
        return platform::BusConnection::openSystem().has_value() || !daemon_->running();
      }) &&
      hasOwner("org.freedesktop.DBus");
  if (!answers) throw std::runtime_error("the private system bus did not start:\n" + log());
}

PrivateSystemBus::~PrivateSystemBus() {
  daemon_.reset();
  if (formerAddress_) {
    ::setenv(kAddressVariable, formerAddress_->c_str(), 1);
  } else {
    ::unsetenv(kAddressVariable);
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

bool PrivateSystemBus::hasOwner(const std::string& name) const {
  auto bus = platform::BusConnection::openSystem();
  if (!bus) return false;
  auto reply = bus->call(
      {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner"},
      [&](sd_bus_message* message) { return sd_bus_message_append(message, "s", name.c_str()); });
  int owned = 0;
  return reply && sd_bus_message_read(reply->get(), "b", &owned) >= 0 && owned != 0;
}

std::string PrivateSystemBus::log() const { return readAll(folder_ / "dbus-daemon.log"); }

DbusMock::DbusMock(const PrivateSystemBus& bus, const std::string& templateName,
                   std::string busName)
    : bus_(bus),
      busName_(std::move(busName)),
      logFile_(bus.folder() / ("dbusmock-" + busName_ + ".log")),
      // The system's own interpreter: it has the dbus and gi modules dbusmock needs.
      process_({"/usr/bin/python3", "-m", "dbusmock", "--template", templateName, "--system"},
               logFile_) {
  if (!waitUntil([this] { return bus_.hasOwner(busName_) || !process_.running(); }) ||
      !process_.running()) {
    throw std::runtime_error("dbusmock for " + busName_ + " did not start:\n" + log());
  }
}

DbusMock::~DbusMock() = default;

void DbusMock::kill() {
  process_.stop(SIGKILL);
  waitUntil([this] { return !bus_.hasOwner(busName_); });
}

std::string DbusMock::log() const { return readAll(logFile_); }

std::string logindInhibitTemplate() {
  return std::string(VIGILIX_DBUS_TEMPLATES_DIR) + "/logind_inhibit.py";
}

}  // namespace vigilix::testing
