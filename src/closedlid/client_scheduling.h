#pragma once

#include <functional>
#include <memory>

namespace vigilix {

// A pending timer; dropping it cancels it too, so a client never leaves a
// timer behind that calls into it after it is gone.
class VGXCancellable {
 public:
  virtual ~VGXCancellable() = default;
  virtual void cancel() = 0;
};

// The timers of the closed-lid clients, all on the main queue.
class VGXClientScheduling {
 public:
  virtual ~VGXClientScheduling() = default;
  // First fires `seconds` from now, then every `seconds` when `repeats`.
  virtual std::unique_ptr<VGXCancellable> schedule(int seconds, bool repeats,
                                                   std::function<void()> handler) = 0;
};

// Timer sources on the main queue with no leeway (virtual time under the
// test platform).
class MainClientScheduler final : public VGXClientScheduling {
 public:
  std::unique_ptr<VGXCancellable> schedule(int seconds, bool repeats,
                                           std::function<void()> handler) override;
};

}  // namespace vigilix
