#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vigilix::testing {

// Looks at `condition` every millisecond until it holds (true) or the
// deadline passes (false). Live bus tests wait this way, never by a fixed sleep.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds deadline = std::chrono::seconds(10));

// The whole text of a file (a child's log); empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

// A program started for a test, its output and error appended to `logFile`.
// It is killed when the test process dies (parent-death signal), and stopped
// (SIGTERM, then SIGKILL) when this object goes.
class TestChildProcess {
 public:
  TestChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& logFile);
  ~TestChildProcess();
  TestChildProcess(const TestChildProcess&) = delete;
  TestChildProcess& operator=(const TestChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool running();
  // SIGTERM (or `signal`), a bounded wait, then SIGKILL; reaps it.
  void stop(int signal = 15);
  // Waits for the program to end by itself and answers its exit status
  // (-1 when it did not end in time or was killed by a signal).
  int wait(std::chrono::milliseconds deadline = std::chrono::seconds(10));

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
  int status_ = 0;
};

}  // namespace vigilix::testing
