#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vigilix::testing {

// Looks at `condition` every millisecond until it holds (true) or the
// deadline passes (false). Live bus tests wait this way, never by a fixed sleep.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds deadline = std::chrono::seconds(10));

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

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
};

// A dbus-daemon of the system kind on a socket in a fresh temporary folder.
// While it lives DBUS_SYSTEM_BUS_ADDRESS names it, so this process and the
// programs it starts never reach the machine's own system bus; the former
// value comes back at the end. Throws std::runtime_error (with the daemon's
// log) when the bus does not answer in time.
class PrivateSystemBus {
 public:
  PrivateSystemBus();
  ~PrivateSystemBus();
  PrivateSystemBus(const PrivateSystemBus&) = delete;
  PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;

  const std::string& address() const { return address_; }
  const std::filesystem::path& folder() const { return folder_; }
  // Whether `name` has an owner on this bus now.
  bool hasOwner(const std::string& name) const;
  std::string log() const;

 private:
  std::filesystem::path folder_;
  std::string address_;
  std::optional<std::string> formerAddress_;
  std::optional<TestChildProcess> daemon_;
};

// A python3-dbusmock service on a private system bus, from a stock template
// name or a template file; ready once it owns `busName`. Throws
// std::runtime_error (with its log) when it does not come up in time.
class DbusMock {
 public:
  DbusMock(const PrivateSystemBus& bus, const std::string& templateName, std::string busName);
  ~DbusMock();
  DbusMock(const DbusMock&) = delete;
  DbusMock& operator=(const DbusMock&) = delete;

  pid_t pid() const { return process_.pid(); }
  // Ends the service at once (SIGKILL) and waits until its name is gone.
  void kill();
  std::string log() const;

 private:
  const PrivateSystemBus& bus_;
  std::string busName_;
  std::filesystem::path logFile_;
  TestChildProcess process_;
};

// The local logind template whose inhibitor locks record their callers.
std::string logindInhibitTemplate();

}  // namespace vigilix::testing
