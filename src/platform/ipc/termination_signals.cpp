#include "platform/ipc/termination_signals.h"

#include <signal.h>
#include <sys/signalfd.h>

namespace vigilix::platform {
namespace {

sigset_t terminationSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  return signals;
}

}  // namespace

void blockTerminationSignals() {
  const sigset_t signals = terminationSignals();
  ::sigprocmask(SIG_BLOCK, &signals, nullptr);
}

UniqueFd openTerminationSignals() {
  const sigset_t signals = terminationSignals();
  return UniqueFd(::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK));
}

}  // namespace vigilix::platform
