#include "cli/cli_run.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "agents/cli_protocol.h"
#include "cli/cli_person_commands.h"
#include "platform/base/text.h"

extern char** environ;

namespace vigilix {

namespace {

constexpr std::array kPassedSignals = {SIGINT, SIGTERM, SIGHUP};

// The child to pass signals to; 0 once it has ended, before it is reaped, so that a reused
// process id never gets them.
volatile sig_atomic_t gChild = 0;

// The terminal sends its signals (Ctrl-C, a hang-up) to its whole foreground process group,
// which holds the child as long as the child did not leave it: passing those on would deliver
// them twice. Signals sent to the tool alone are passed on.
void passOn(int signal, siginfo_t* info, void*) {
  const pid_t child = gChild;
  if (child <= 0) return;
  if (info != nullptr && info->si_code == SI_KERNEL && ::getpgid(child) == ::getpgrp()) return;
  ::kill(child, signal);
}

// Passes the signals on while it lives. They stay blocked from construction until the child's
// id is known (`unblock`), so none arriving meanwhile is lost; the child starts with the tool's
// own mask and the default actions.
class PassedSignals {
 public:
  PassedSignals() {
    sigset_t passed;
    sigemptyset(&passed);
    for (const int signal : kPassedSignals) sigaddset(&passed, signal);
    ::sigprocmask(SIG_BLOCK, &passed, &previousMask_);
    struct sigaction action {};
    action.sa_sigaction = passOn;
    action.sa_flags = SA_RESTART | SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kPassedSignals.size(); ++i) {
      ::sigaction(kPassedSignals[i], &action, &previousActions_[i]);
    }
    posix_spawnattr_init(&attributes_);
    posix_spawnattr_setsigmask(&attributes_, &previousMask_);
    posix_spawnattr_setsigdefault(&attributes_, &passed);
    posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~PassedSignals() {
    gChild = 0;
    unblock();
    for (std::size_t i = 0; i < kPassedSignals.size(); ++i) {
      ::sigaction(kPassedSignals[i], &previousActions_[i], nullptr);
    }
    posix_spawnattr_destroy(&attributes_);
  }
  PassedSignals(const PassedSignals&) = delete;
  PassedSignals& operator=(const PassedSignals&) = delete;

  void unblock() { ::sigprocmask(SIG_SETMASK, &previousMask_, nullptr); }
  const posix_spawnattr_t* attributes() const { return &attributes_; }

 private:
  sigset_t previousMask_{};
  std::array<struct sigaction, kPassedSignals.size()> previousActions_{};
  posix_spawnattr_t attributes_{};
};

bool hasEnded(pid_t child) {
  siginfo_t info{};
  return ::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == child;
}

int exitStatus(pid_t child) {
  siginfo_t info{};
  while (::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT) != 0) {
    if (errno != EINTR) return kCLIExitCannotRun;
  }
  gChild = 0;
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

}  // namespace

std::string runLabel(std::string_view program) {
  const std::size_t slash = program.rfind('/');
  if (slash != std::string_view::npos) program.remove_prefix(slash + 1);
  return std::string(platform::prefixGraphemes(program, VGXCLIProtocol::maxLabelCharacters));
}

int runWatched(const VGXCLICommand& command, VGXCLIClient* client,
               const std::function<void(const std::string&)>& note) {
  std::vector<char*> argv;
  for (const std::string& word : command.commandLine)
    argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);

  PassedSignals signals;
  pid_t child = 0;
  const int error =
      ::posix_spawnp(&child, argv.front(), nullptr, signals.attributes(), argv.data(), environ);
  if (error != 0) {
    note("vigilix: can't run \"" + command.commandLine.front() + "\": " + std::strerror(error) +
         "\n");
    return kCLIExitCannotRun;
  }
  gChild = child;
  signals.unblock();

  VGXCLICommand watch{.kind = VGXCLICommandKind::watch,
                      .label = runLabel(command.commandLine.front()),
                      .pid = child,
                      .json = command.json};
  bool watching = false;
  if (client == nullptr) {
    note(kCLIRunWithoutAnswerMessage);
  } else {
    const VGXCLIOutput answer = runPersonCommand(watch, *client);
    watching = answer.exitCode == kCLIExitDone;
    if (answer.exitCode == kCLIExitNoAnswer) {
      note(kCLIRunWithoutAnswerMessage);
    } else if (command.json) {
      note(answer.out);
    } else if (!watching && !hasEnded(child)) {
      // A command that ended first leaves nothing to watch: not worth a word.
      note(answer.err);
    }
  }

  const int status = exitStatus(child);
  if (watching) {
    watch.kind = VGXCLICommandKind::unwatch;
    const VGXCLIOutput answer = runPersonCommand(watch, *client);
    if (command.json) note(answer.out);
  }
  return status;
}

}  // namespace vigilix
