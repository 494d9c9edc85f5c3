#pragma once

#include <cstdint>

namespace vigilix::platform {

// Which queue's task the calling thread is running, so `isCurrent` can answer.
// Every queue takes a distinct identity and marks the thread around each task.
class CurrentQueue {
 public:
  using Identity = std::uint64_t;

  static Identity newIdentity();
  static bool is(Identity identity);
  // The queue whose task the calling thread runs; 0 when none.
  static Identity running();

  // Marks the thread as running a task of `identity` while it lives.
  class Scope {
   public:
    explicit Scope(Identity identity);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    Identity previous_;
  };
};

}  // namespace vigilix::platform
