#include "platform/base/process_once.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/base/shared_instances.h"

namespace vigilix::platform {

struct ProcessOnce::State {
  mutable std::recursive_mutex mutex;
  bool started = false;
};

namespace {

// Every live guard, held weakly: one registration with the shared-instance
// resets serves them all, and guards that are gone are pruned as new ones
// arrive, so the lists do not grow with short-lived guards.
struct Guards {
  std::mutex mutex;
  std::vector<std::weak_ptr<ProcessOnce::State>> states;
};

Guards& guards() {
  static Guards* instance = [] {
    auto* created = new Guards();
    registerSharedInstanceReset([created] {
      std::vector<std::shared_ptr<ProcessOnce::State>> live;
      {
        std::lock_guard lock(created->mutex);
        for (auto& weak : created->states) {
          if (auto state = weak.lock()) live.push_back(std::move(state));
        }
      }
      for (auto& state : live) {
        std::lock_guard lock(state->mutex);
        state->started = false;
      }
    });
    return created;
  }();
  return *instance;
}

}  // namespace

ProcessOnce::ProcessOnce() : state_(std::make_shared<State>()) {
  Guards& g = guards();
  std::lock_guard lock(g.mutex);
  std::erase_if(g.states, [](const std::weak_ptr<State>& weak) { return weak.expired(); });
  g.states.push_back(state_);
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
