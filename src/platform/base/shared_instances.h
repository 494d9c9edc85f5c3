#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

namespace vigilix::platform {

// Runs every registered reset, the most recently registered first, so that
// instances built on top of others are dropped before what they use. Meant
// for the test platform between tests; not for the live program.
void resetSharedInstances();

namespace shared_instances_detail {
// Keeps `reset` for the life of the process. Only SharedInstance calls it,
// once per instance slot.
void registerSharedInstanceReset(std::function<void()> reset);
}  // namespace shared_instances_detail

// A process-wide instance of T, created on first use by `make` (by default
// std::make_shared<T>()) and dropped by resetSharedInstances(), after which
// the next use creates a new one. Declare it `constinit` at namespace scope:
// it is usable from any static initializer and is never destroyed, nor is its
// instance at exit, since code running during static destruction may reach it.
//
// Thread rule: every member may be called from any thread; `make` runs once
// under the instance's lock and must not use this same instance. A reference
// from get() stays valid until the next reset (only the test platform resets);
// hold pointer() to keep the instance beyond that.
template <typename T>
class SharedInstance {
 public:
  using Factory = std::shared_ptr<T> (*)();

  // What a reset does with the instance it drops: destroy it at once, or keep
  // it until the reset after, for references that outlive the reset.
  enum class OnReset { destroy, keepUntilNextReset };

  constexpr explicit SharedInstance(
      OnReset onReset = OnReset::destroy) requires std::is_default_constructible_v<T>
      : SharedInstance(&makeDefault, onReset) {}
  // `make` must not be null.
  constexpr explicit SharedInstance(Factory make, OnReset onReset = OnReset::destroy)
      : make_(make), onReset_(onReset), instance_(), retired_() {}
  SharedInstance(const SharedInstance&) = delete;
  SharedInstance& operator=(const SharedInstance&) = delete;
  ~SharedInstance() {}  // leaves both instances alive; see above

  T& get() { return *pointer(); }

  std::shared_ptr<T> pointer() {
    std::lock_guard lock(mutex_);
    if (!instance_) {
      instance_ = make_();
      // Registered after the first instance is made, so that whatever `make`
      // created on the way registered first and is reset after this one.
      if (!registered_) {
        registered_ = true;
        shared_instances_detail::registerSharedInstanceReset([this] { reset(); });
      }
    }
    return instance_;
  }

  // The instance if one exists, without creating it.
  std::shared_ptr<T> existing() const {
    std::lock_guard lock(mutex_);
    return instance_;
  }

  void reset() {
    std::shared_ptr<T> dropped;
    std::shared_ptr<T> expired;
    {
      std::lock_guard lock(mutex_);
      dropped = std::exchange(instance_, nullptr);
      if (onReset_ == OnReset::keepUntilNextReset) {
        expired = std::exchange(retired_, std::move(dropped));
      }
    }
    // Destroyed outside the lock: a teardown may use this instance anew.
  }

 private:
  static std::shared_ptr<T> makeDefault() { return std::make_shared<T>(); }

  mutable std::mutex mutex_;
  bool registered_ = false;
  Factory make_;
  OnReset onReset_;
  // In unions so that no destructor runs at exit.
  union {
    std::shared_ptr<T> instance_;
  };
  union {
    std::shared_ptr<T> retired_;
  };
};

}  // namespace vigilix::platform
