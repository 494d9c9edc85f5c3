#pragma once

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

#include "platform/runloop/dispatch_queue.h"

namespace vigilix::platform {

// A callable that holds its object weakly: it runs `fn(object, args...)` while
// the object lives (keeping it alive for the call) and does nothing once it is
// gone, returning a value-initialised result (false, empty, nullopt) then.
// A `fn` that takes only the object ignores the arguments (an observer or a
// handler that needs nothing from its event).
// `Owner` is the type the weak pointer holds; `T` the type `fn` is given.
template <class T, class Owner, class F>
class Weakly {
 public:
  Weakly(std::weak_ptr<Owner> object, F fn) : object_(std::move(object)), fn_(std::move(fn)) {}

  template <class... Args>
  auto operator()(Args&&... args) const {
    return call(fn_, object_, std::forward<Args>(args)...);
  }
  template <class... Args>
  auto operator()(Args&&... args) {
    return call(fn_, object_, std::forward<Args>(args)...);
  }

 private:
  template <class Fn, class... Args>
  static auto call(Fn& fn, const std::weak_ptr<Owner>& object, Args&&... args) {
    if constexpr (std::is_invocable_v<Fn&, T&, Args&&...>) {
      using Result = std::invoke_result_t<Fn&, T&, Args&&...>;
      if (const auto alive = object.lock())
        return std::invoke(fn, static_cast<T&>(*alive), std::forward<Args>(args)...);
      if constexpr (!std::is_void_v<Result>) return Result{};
    } else {
      using Result = std::invoke_result_t<Fn&, T&>;
      if (const auto alive = object.lock()) return std::invoke(fn, static_cast<T&>(*alive));
      if constexpr (!std::is_void_v<Result>) return Result{};
    }
  }

  std::weak_ptr<Owner> object_;
  F fn_;
};

// From inside a member (`weakly(this, ...)`): the object must be owned by a
// shared_ptr through enable_shared_from_this, else the callable never runs.
template <class T, class F>
auto weakly(T* object, F fn) {
  auto weak = object->weak_from_this();
  using Owner = typename decltype(weak)::element_type;
  return Weakly<T, Owner, F>(std::move(weak), std::move(fn));
}

template <class T, class F>
auto weakly(const std::shared_ptr<T>& object, F fn) {
  return Weakly<T, T, F>(object, std::move(fn));
}

template <class T, class F>
auto weakly(const std::weak_ptr<T>& object, F fn) {
  return Weakly<T, T, F>(object, std::move(fn));
}

// Runs `fn(object)` later on the main queue, unless the object is gone by then.
template <class Object, class F>
void onMain(const Object& object, F fn) {
  DispatchQueue::main().async(weakly(object, std::move(fn)));
}

}  // namespace vigilix::platform
