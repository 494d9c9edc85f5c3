#pragma once

#include <functional>
#include <memory>
#include <utility>

namespace vigilix::platform {

// A two-way connection to a value owned elsewhere (a declarative
// interface's binding): read it and write it through.
template <typename T>
class Binding {
 public:
  Binding(std::function<T()> get, std::function<void(const T&)> set)
      : get_(std::move(get)), set_(std::move(set)) {}

  T get() const { return get_(); }
  void set(const T& value) const { set_(value); }

 private:
  std::function<T()> get_;
  std::function<void(const T&)> set_;
};

}  // namespace vigilix::platform
