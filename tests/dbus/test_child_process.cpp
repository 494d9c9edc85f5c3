#include "dbus/test_child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace vigilix::testing {

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

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
  if (answer == pid_) status_ = status;
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

int TestChildProcess::wait(std::chrono::milliseconds deadline) {
  if (!waitUntil([this] { return !running(); }, deadline)) return -1;
  return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

}  // namespace vigilix::testing
