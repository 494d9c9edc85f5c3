#include "platform/base/process_once.h"

#include <mutex>

#include "platform/base/shared_instances.h"

namespace vigilix::platform {

struct ProcessOnce::State {
  mutable std::recursive_mutex mutex;
  bool started = false;
};

ProcessOnce::ProcessOnce() : state_(std::make_shared<State>()) {
  // The registry outlives a guard that is destroyed early, so it holds the
  // state weakly.
  std::weak_ptr<State> weak = state_;
  registerSharedInstanceReset([weak] {
    if (auto state = weak.lock()) {
      std::lock_guard lock(state->mutex);
      state->started = false;
    }
  });
}

bool ProcessOnce::call(const std::function<void()>& fn) {
  std::lock_guard lock(state_->mutex);
  if (state_->started) return false;
  state_->started = true;
  try {
    if (fn) fn();
  } catch (...) {
    state_->started = false;
    throw;
  }
  return true;
}

bool ProcessOnce::hasRun() const {
  std::lock_guard lock(state_->mutex);
  return state_->started;
}

void ProcessOnce::reset() {
  std::lock_guard lock(state_->mutex);
  state_->started = false;
}

}  // namespace vigilix::platform
