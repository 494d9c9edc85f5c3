#include "sleepguard/core/logind_sleep_runner.h"

#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "platform/process/process_listing.h"
#include "platform/system/process_liveness.h"

namespace vigilix {

namespace {

// 2 s in steps of 10 ms, counted so that the wait ends whatever the clock does.
constexpr int kWaitPolls = 200;
constexpr int kPollMilliseconds = 10;
// The release wait starts at the step above and doubles up to this.
constexpr int kLongestReleasePollMilliseconds = 250;

std::string reasonOf(const platform::BusError& error) {
  return error.name.empty() ? std::to_string(error.code) : error.name;
}

std::int32_t ownPid() { return static_cast<std::int32_t>(::getpid()); }

}  // namespace

bool isGuardProgram(std::string_view executable) {
  constexpr std::string_view kReplaced = " (deleted)";
  if (executable.ends_with(kReplaced)) executable.remove_suffix(kReplaced.size());
  const auto slash = executable.rfind('/');
  if (slash == std::string_view::npos) return false;
  const std::string_view name = executable.substr(slash + 1);
  return name == kGuardProgramName ||
         (name.starts_with(kGuardProgramName) && name.substr(kGuardProgramName.size()) == ".prev");
}

bool isSleepSwitchLock(const platform::LogindInhibitor& lock) {
  return lock.uid == 0 && lock.mode == kSleepSwitchMode && lock.inhibits("sleep") &&
         lock.inhibits("handle-lid-switch");
}

std::vector<std::int32_t> strayDisablerPIDs(const std::vector<platform::LogindInhibitor>& locks,
                                            std::int32_t ownPid,
                                            const ExecutableLookup& executableOf) {
  std::vector<std::int32_t> pids;
  for (const platform::LogindInhibitor& lock : locks) {
    const auto pid = static_cast<std::int64_t>(lock.pid);
    if (lock.who != kSleepSwitchWho || !isSleepSwitchLock(lock) || pid < 2 || pid == ownPid ||
        pid > std::numeric_limits<std::int32_t>::max()) {
      continue;
    }
    // The name alone is anyone's to give; only a guard program is ours to end.
    const auto executable = executableOf(static_cast<std::int32_t>(pid));
    if (!executable || !isGuardProgram(*executable)) continue;
    pids.push_back(static_cast<std::int32_t>(pid));
  }
  std::sort(pids.begin(), pids.end());
  pids.erase(std::unique(pids.begin(), pids.end()), pids.end());
  return pids;
}

StrayProcessControl StrayProcessControl::live() {
  return StrayProcessControl{
      [](pid_t pid, int signal) { return ::kill(pid, signal) == 0 ? 0 : errno; },
      [](pid_t pid) {
        return platform::isProcessAlive(pid) && !platform::ProcessListing().isZombie(pid);
      },
      [](int milliseconds) {
        timespec step{milliseconds / 1000, (milliseconds % 1000) * 1'000'000L};
        while (::nanosleep(&step, &step) != 0 && errno == EINTR) {
        }
      },
      [](std::int32_t pid) { return platform::ProcessListing().executablePath(pid); },
  };
}

VGXLogindSleepRunner::VGXLogindSleepRunner(std::string why,
                                           std::shared_ptr<platform::LogindInhibitors> logind,
                                           StrayProcessControl control)
    : why_(std::move(why)), logind_(std::move(logind)), control_(std::move(control)) {}

std::expected<void, VGXGuardError> VGXLogindSleepRunner::setSleepDisabled(bool disabled) {
  if (!disabled) {
    lock_.reset();
    // logind lists a closed lock until it gets round to it; the read-back
    // that follows must not take that for a lock still held.
    int step = kPollMilliseconds;
    for (int waited = 0; waited < kReleaseWaitMilliseconds;
         waited += step, step = std::min(step * 2, kLongestReleasePollMilliseconds)) {
      const auto held = readSleepDisabled();
      if (!held || !*held) break;
      control_.pause(step);
    }
    return {};
  }
  auto lock = logind_->inhibit(kSleepSwitchWhat, kSleepSwitchWho, why_, kSleepSwitchMode);
  if (!lock) return std::unexpected(VGXGuardError::io("logind inhibit " + reasonOf(lock.error())));
  lock_ = std::move(*lock);
  return {};
}

std::expected<bool, VGXGuardError> VGXLogindSleepRunner::readSleepDisabled() {
  if (!lock_.valid()) return listsOwnLock();
  // The write end of logind's FIFO: an error once logind has closed its end.
  pollfd lock{lock_.get(), 0, 0};
  if (::poll(&lock, 1, 0) < 0) return listsOwnLock();
  if ((lock.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0) return true;
  lock_.reset();
  return false;
}

std::expected<bool, VGXGuardError> VGXLogindSleepRunner::listsOwnLock() {
  const auto locks = logind_->listInhibitors();
  if (!locks) return std::unexpected(VGXGuardError::io("logind list " + reasonOf(locks.error())));
  const std::int32_t self = ownPid();
  return std::any_of(locks->begin(), locks->end(), [self](const platform::LogindInhibitor& lock) {
    return static_cast<std::int64_t>(lock.pid) == self && isSleepSwitchLock(lock);
  });
}

bool VGXLogindSleepRunner::killStrayDisablers() {
  const auto locks = logind_->listInhibitors();
  if (!locks) return false;
  const std::vector<std::int32_t> strays = strayDisablerPIDs(*locks, ownPid(), control_.executable);
  if (strays.empty()) return true;

  bool ranOut = false;
  for (const std::int32_t pid : strays) {
    control_.sendSignal(pid, SIGKILL);
    bool gone = false;
    for (int polls = 0; !gone && polls <= kWaitPolls; ++polls) {
      gone = !control_.exists(pid);
      if (!gone && polls < kWaitPolls) control_.pause(kPollMilliseconds);
    }
    if (!gone) ranOut = true;
  }

  // logind drops a lock once it sees the descriptor closed, a moment after the holder ends.
  for (int polls = 0;; ++polls) {
    const auto remaining = logind_->listInhibitors();
    if (!remaining) return false;
    if (strayDisablerPIDs(*remaining, ownPid(), control_.executable).empty()) return !ranOut;
    if (polls == kWaitPolls) return false;
    control_.pause(kPollMilliseconds);
  }
}

}  // namespace vigilix
