#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/base/observer_token.h"

namespace vigilix::platform::detail {

// The observers of one centre (or the sources of one loop). Posting works on
// a snapshot taken under the lock and calls handlers without it, so a handler may post, add
// observers or drop tokens (its own included) without deadlock or broken iteration. `Entry` must
// have a member `std::atomic<bool> alive{true}`.
template <typename Entry>
class ObserverRegistry {
 public:
  ObserverRegistry() : state_(std::make_shared<State>()) {}
  ObserverRegistry(const ObserverRegistry&) = delete;
  ObserverRegistry& operator=(const ObserverRegistry&) = delete;

  ~ObserverRegistry() {
    std::lock_guard lock(state_->mutex);
    for (auto& entry : state_->entries) entry->alive = false;
    state_->entries.clear();
  }

  ObserverHandle add(std::shared_ptr<Entry> entry) {
    {
      std::lock_guard lock(state_->mutex);
      state_->entries.push_back(entry);
    }
    return std::make_unique<Token>(state_, std::move(entry));
  }

  std::vector<std::shared_ptr<Entry>> snapshot() const {
    std::lock_guard lock(state_->mutex);
    return state_->entries;
  }

  std::size_t size() const {
    std::lock_guard lock(state_->mutex);
    return state_->entries.size();
  }

 private:
  struct State {
    mutable std::mutex mutex;
    std::vector<std::shared_ptr<Entry>> entries;
  };

  // Holds the registry weakly: a token that outlives its centre does nothing.
  class Token final : public ObserverToken {
   public:
    Token(std::weak_ptr<State> state, std::shared_ptr<Entry> entry)
        : state_(std::move(state)), entry_(std::move(entry)) {}
    ~Token() override {
      entry_->alive = false;
      if (auto state = state_.lock()) {
        std::lock_guard lock(state->mutex);
        std::erase(state->entries, entry_);
      }
    }

   private:
    std::weak_ptr<State> state_;
    std::shared_ptr<Entry> entry_;
  };

  std::shared_ptr<State> state_;
};

}  // namespace vigilix::platform::detail
