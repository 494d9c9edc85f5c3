#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <utility>

namespace vigilix::platform {

// "The installed instance, else the live one": behind each `current()` /
// `setCurrent()` pair of a platform service. A test installs a fake and
// uninstalls it (nullptr) before the fake is destroyed; the installer owns
// what it installs. Declare it `constinit` at namespace scope.
//
// Thread rule: get(), install() and installed() may be called from any
// thread; get() never blocks. An instance must stay alive as long as any
// thread may still use what get() returned.
template <typename T>
class CurrentInstance {
 public:
  using Live = T& (*)();

  constexpr explicit CurrentInstance(Live live) noexcept : live_(live) {}
  CurrentInstance(const CurrentInstance&) = delete;
  CurrentInstance& operator=(const CurrentInstance&) = delete;

  T& get() const {
    if (T* instance = installed_.load(std::memory_order_acquire)) return *instance;
    return live_();
  }
  T* installed() const { return installed_.load(std::memory_order_acquire); }
  // Returns the one replaced (nullptr when the live one was in force).
  T* install(T* instance) { return installed_.exchange(instance, std::memory_order_acq_rel); }

 private:
  Live live_;
  std::atomic<T*> installed_{nullptr};
};

// The live instance most services fall back to: made on first use and never
// destroyed, since code running during static destruction may still use it.
template <typename T, typename Live = T>
T& processLifetimeInstance() {
  static Live* const instance = new Live();
  return *instance;
}

// The same rule for small values that are answered by copy (locale, time
// zone, keyboard layout): the installed value, else what `live` answers now.
// Thread rule: every member may be called from any thread.
template <typename T>
class CurrentValue {
 public:
  using Live = T (*)();

  constexpr explicit CurrentValue(Live live) noexcept : live_(live) {}
  CurrentValue(const CurrentValue&) = delete;
  CurrentValue& operator=(const CurrentValue&) = delete;

  T get() const {
    if (auto value = installed()) return *std::move(value);
    return live_();
  }
  std::optional<T> installed() const {
    std::lock_guard lock(mutex_);
    return installed_;
  }
  // std::nullopt goes back to the live value. Returns the one replaced.
  std::optional<T> install(std::optional<T> value) {
    std::lock_guard lock(mutex_);
    return std::exchange(installed_, std::move(value));
  }

 private:
  Live live_;
  mutable std::mutex mutex_;
  std::optional<T> installed_;
};

}  // namespace vigilix::platform
