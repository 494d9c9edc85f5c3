#include "platform/base/process_once.h"

#include <mutex>

#include "platform/base/shared_instances.h"

namespace vigilix::platform {

namespace {

// Replaced by every shared-instance reset: a guard has run when it ran in the
// epoch now in force, so one reset re-arms every guard at once.
struct Epoch {};
constinit SharedInstance<Epoch> currentEpoch;

}  // namespace

struct ProcessOnce::State {
  mutable std::recursive_mutex mutex;
  // The epoch of the last run; held, so a later epoch can never share its address.
  std::shared_ptr<Epoch> ranIn;

  bool started() const { return ranIn && ranIn == currentEpoch.existing(); }
};

ProcessOnce::ProcessOnce() : state_(std::make_shared<State>()) {}

bool ProcessOnce::call(const std::function<void()>& fn) {
  std::lock_guard lock(state_->mutex);
  if (state_->started()) return false;
  state_->ranIn = currentEpoch.pointer();
  try {
    if (fn) fn();
  } catch (...) {
    state_->ranIn.reset();
    throw;
  }
  return true;
}

bool ProcessOnce::hasRun() const {
  std::lock_guard lock(state_->mutex);
  return state_->started();
}

void ProcessOnce::reset() {
  std::lock_guard lock(state_->mutex);
  state_->ranIn.reset();
}

}  // namespace vigilix::platform
