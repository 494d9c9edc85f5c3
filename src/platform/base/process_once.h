#pragma once

#include <functional>
#include <memory>

namespace vigilix::platform {

// Runs a function at most once per process (dispatch_once), with a reset the
// test platform uses between tests: resetSharedInstances() re-arms every
// guard. Thread-safe; a call from inside the function itself returns without
// running it again.
class ProcessOnce {
 public:
  ProcessOnce();
  ProcessOnce(const ProcessOnce&) = delete;
  ProcessOnce& operator=(const ProcessOnce&) = delete;

  // Runs `fn` unless it already ran (or is running) since the last reset.
  // Returns true when this call ran it. Should `fn` throw, the guard counts
  // as not run and the exception goes on to the caller.
  bool call(const std::function<void()>& fn);
  bool hasRun() const;
  void reset();

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace vigilix::platform
