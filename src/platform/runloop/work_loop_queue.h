#pragma once

#include <functional>
#include <string>

#include "platform/runloop/current_queue.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/work_loop.h"

namespace vigilix::platform {

// A serial queue whose tasks are entries of a work loop, in every run-loop
// mode. The main queue is one on the main loop; under the test platform every
// serial queue is one on the virtual loop; a live serial queue is one on its
// worker's loop. The loop must outlive the queue.
class WorkLoopQueue final : public DispatchQueue {
 public:
  // `onOwnThread`, when given, also makes `isCurrent` true (the main queue:
  // on the main thread).
  WorkLoopQueue(std::string label, WorkLoop& loop, std::function<bool()> onOwnThread = {});

  const std::string& label() const override { return label_; }
  void async(Task task) override;
  void asyncAfter(double seconds, Task task) override;
  bool isCurrent() const override;

  CurrentQueue::Identity identity() const { return identity_; }

 private:
  Task wrap(Task task) const;

  std::string label_;
  WorkLoop& loop_;
  std::function<bool()> onOwnThread_;
  CurrentQueue::Identity identity_;
};

}  // namespace vigilix::platform
