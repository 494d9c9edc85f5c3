#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vigilix::testing {

// A stand-in for the service manager's `systemctl`, which refuses to run
// without systemd as process 1. It is a shell script at /usr/bin/systemctl
// under a file-system root that records each call and plays the manager's
// part: `enable --now` makes the named units active, `disable --now`
// inactive, `show` prints one ActiveState/SubState/MainPID block per unit, and
// `daemon-reload` does nothing. A test can make a command exit with a status,
// print given text, hang, or kill -9 the program that called it, before or
// after it takes effect, and start a program for a unit as the manager
// would. Its state lives in files beside it, so a program the
// test starts sees the same manager.
class FakeSystemctl {
 public:
  // Writes the script under `root` (a test's file-system root) and an empty state.
  explicit FakeSystemctl(std::filesystem::path root);

  std::filesystem::path toolPath() const { return root_ / "usr/bin/systemctl"; }

  // Each call's arguments joined by single spaces, oldest first.
  std::vector<std::string> calls() const;
  void clearCalls() const;
  // The units `enable --now` started and nothing stopped since, in order.
  std::vector<std::string> activeUnits() const;
  void setActive(std::string_view unit, bool active) const;

  // Runs `command` (in a session of its own, its output in `logOf(unit)`)
  // when `enable` makes `unit` active, and returns once the socket `ready`
  // is there; `disable` sends it SIGTERM and waits until it is gone.
  void startOnEnable(std::string_view unit, const std::vector<std::string>& command,
                     const std::filesystem::path& ready) const;
  // The pid of what runs for `unit`, while it runs.
  std::optional<int> pidOf(std::string_view unit) const;
  std::filesystem::path logOf(std::string_view unit) const;

  // For the next calls of `command` (the first argument: "show", "enable"...).
  void exitWith(std::string_view command, int status) const;
  void print(std::string_view command, std::string_view text) const;
  void hang(std::string_view command) const;
  // Kills the caller with SIGKILL at the `nth` call of `command` (1 is the
  // next), before the command takes effect or after; once.
  enum class When { before, after };
  void killCallerAt(std::string_view command, int nth, When when) const;
  // Drops every exit, print, hang and kill set above.
  void reset() const;

 private:
  std::filesystem::path state_;
  std::filesystem::path root_;
};

}  // namespace vigilix::testing
