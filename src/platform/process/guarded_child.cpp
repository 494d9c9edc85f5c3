#include "platform/process/guarded_child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <utility>

#include "platform/fs/unique_fd.h"
#include "platform/runloop/live_clock.h"

extern char** environ;

namespace vigilix::platform {

namespace {

constexpr std::uint64_t kNanosecondsPerSecond = 1'000'000'000;

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) {
  return a > std::numeric_limits<std::uint64_t>::max() - b
             ? std::numeric_limits<std::uint64_t>::max()
             : a + b;
}

// The child's descriptors 0 to 2 are set up from the pipe, so the pipe itself
// must not sit on one of them (a service may be started with them closed).
bool moveAboveStandardStreams(UniqueFd& fd) {
  if (fd.get() > STDERR_FILENO) return true;
  const int moved = ::fcntl(fd.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  if (moved < 0) return false;
  fd.reset(moved);
  return true;
}

class SpawnActions {
 public:
  SpawnActions() { ready_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnActions() {
    if (ready_) ::posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;

  // Standard input from /dev/null; output and error into `outputFd`. The
  // pipe's own descriptors are close-on-exec, so the child keeps neither.
  bool arrange(int outputFd) {
    return ready_ &&
           ::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0) ==
               0 &&
           ::posix_spawn_file_actions_adddup2(&actions_, outputFd, STDOUT_FILENO) == 0 &&
           ::posix_spawn_file_actions_adddup2(&actions_, outputFd, STDERR_FILENO) == 0;
  }
  const posix_spawn_file_actions_t* get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
  bool ready_ = false;
};

}  // namespace

std::string ChildFailure::text() const {
  switch (kind) {
    case Kind::pipe:
      return "pipe";
    case Kind::spawnActions:
      return "spawn actions";
    case Kind::spawn:
      return "spawn " + std::to_string(code);
    case Kind::pipeRead:
      return "pipe read";
    case Kind::outputTooLarge:
      return "output too large";
    case Kind::waitpid:
      return "waitpid";
    case Kind::timeout:
      return "timeout";
    case Kind::notReaped:
      return "child not reaped";
  }
  return "unknown";
}

ChildControl ChildControl::live() {
  return ChildControl{
      [] { return LiveClock::shared().continuousNanoseconds(); },
      [](pid_t pid, int signal) { return ::kill(pid, signal) == 0 ? 0 : errno; },
  };
}

GuardedChildRunner::GuardedChildRunner(ChildLimits limits, ChildControl control)
    : limits_(limits), control_(std::move(control)) {}

std::expected<ChildExit, ChildFailure> GuardedChildRunner::run(
    const std::string& path, const std::vector<std::string>& arguments) const {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return std::unexpected(ChildFailure{ChildFailure::Kind::pipe});
  UniqueFd readEnd(ends[0]);
  UniqueFd writeEnd(ends[1]);
  const int flags = ::fcntl(readEnd.get(), F_GETFL);
  if (flags < 0 || ::fcntl(readEnd.get(), F_SETFL, flags | O_NONBLOCK) != 0 ||
      !moveAboveStandardStreams(readEnd) || !moveAboveStandardStreams(writeEnd)) {
    return std::unexpected(ChildFailure{ChildFailure::Kind::pipe});
  }

  SpawnActions actions;
  if (!actions.arrange(writeEnd.get())) {
    return std::unexpected(ChildFailure{ChildFailure::Kind::spawnActions});
  }

  std::vector<std::string> strings;
  strings.reserve(arguments.size() + 1);
  strings.push_back(path);
  strings.insert(strings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(strings.size() + 1);
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);

  // A program that ignores SIGPIPE passes that on; the child gets it back, so that a reader
  // that stops reading its output ends it as it expects.
  posix_spawnattr_t attributes;
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  if (::posix_spawnattr_init(&attributes) != 0) {
    return std::unexpected(ChildFailure{ChildFailure::Kind::spawnActions});
  }
  ::posix_spawnattr_setsigdefault(&attributes, &defaults);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  const std::uint64_t start = control_.nanosecondsNow();
  pid_t pid = 0;
  const int result =
      ::posix_spawn(&pid, path.c_str(), actions.get(), &attributes, argv.data(), environ);
  ::posix_spawnattr_destroy(&attributes);
  if (result != 0) return std::unexpected(ChildFailure{ChildFailure::Kind::spawn, result});
  writeEnd.reset();
  return collect(pid, readEnd.get(), start);
}

std::expected<ChildExit, ChildFailure> GuardedChildRunner::collect(pid_t pid, int outputFd,
                                                                   std::uint64_t start) const {
  using Kind = ChildFailure::Kind;
  const std::uint64_t deadline = saturatingAdd(start, limits_.deadlineNanoseconds);
  std::string output;
  bool ended = false;
  bool reaped = false;
  int status = 0;
  char buffer[4096];
  for (;;) {
    while (!ended) {
      const ssize_t count = ::read(outputFd, buffer, sizeof buffer);
      if (count > 0) {
        output.append(buffer, static_cast<std::size_t>(count));
        if (output.size() > limits_.outputLimitBytes) {
          return std::unexpected(reaped ? ChildFailure{Kind::outputTooLarge}
                                        : stop(pid, ChildFailure{Kind::outputTooLarge}));
        }
      } else if (count == 0) {
        ended = true;
      } else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        break;
      } else {
        return std::unexpected(reaped ? ChildFailure{Kind::pipeRead}
                                      : stop(pid, ChildFailure{Kind::pipeRead}));
      }
    }
    if (!reaped) {
      int waited = 0;
      const pid_t answer = ::waitpid(pid, &waited, WNOHANG);
      if (answer == pid) {
        reaped = true;
        status = waited;
      } else if (answer < 0 && errno == ECHILD) {
        // No longer ours to wait for, so its pid may already be someone else's: never kill it.
        return std::unexpected(ChildFailure{Kind::waitpid});
      } else if (answer != 0 && errno != EINTR) {
        return std::unexpected(stop(pid, ChildFailure{Kind::waitpid}));
      }
    }
    if (ended && reaped) return ChildExit{status, std::move(output)};

    const std::uint64_t now = control_.nanosecondsNow();
    if (now < start || now >= deadline) {
      return std::unexpected(reaped ? ChildFailure{Kind::timeout}
                                    : stop(pid, ChildFailure{Kind::timeout}));
    }
    if (ended) {
      pause();
    } else {
      pollfd watched{outputFd, POLLIN, 0};
      const auto milliseconds = static_cast<int>(
          std::max<std::uint64_t>(1, (limits_.pollNanoseconds + 999'999) / 1'000'000));
      ::poll(&watched, 1, milliseconds);
    }
  }
}

ChildFailure GuardedChildRunner::stop(pid_t pid, ChildFailure reason) const {
  control_.sendSignal(pid, SIGKILL);
  // Counted, not timed: a clock that stalls must not turn the grace into a hang.
  const std::uint64_t polls = std::max<std::uint64_t>(
      1, limits_.reapGraceNanoseconds / std::max<std::uint64_t>(1, limits_.pollNanoseconds));
  for (std::uint64_t attempt = 0; attempt <= polls; ++attempt) {
    int status = 0;
    const pid_t answer = ::waitpid(pid, &status, WNOHANG);
    if (answer == pid || (answer < 0 && errno == ECHILD)) return reason;
    if (attempt < polls) pause();
  }
  return ChildFailure{ChildFailure::Kind::notReaped, 0, pid};
}

void GuardedChildRunner::pause() const {
  timespec remaining{static_cast<time_t>(limits_.pollNanoseconds / kNanosecondsPerSecond),
                     static_cast<long>(limits_.pollNanoseconds % kNanosecondsPerSecond)};
  while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

void UnreapedChildren::add(pid_t pid) {
  if (pid > 0 && std::find(pids_.begin(), pids_.end(), pid) == pids_.end()) pids_.push_back(pid);
}

bool UnreapedChildren::reap() {
  std::erase_if(pids_, [](pid_t pid) {
    int status = 0;
    const pid_t answer = ::waitpid(pid, &status, WNOHANG);
    return answer == pid || (answer < 0 && errno == ECHILD);
  });
  return !pids_.empty();
}

}  // namespace vigilix::platform
