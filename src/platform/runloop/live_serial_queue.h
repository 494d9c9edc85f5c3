#pragma once

#include <memory>
#include <string>
#include <thread>

#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/work_loop.h"
#include "platform/runloop/work_loop_queue.h"

namespace vigilix::platform {

// A live serial queue: tasks run in FIFO order on a worker thread of its own.
// Destroying the queue lets the tasks already posted for now finish on the
// worker; work posted for later is dropped.
class LiveSerialQueue final : public DispatchQueue {
 public:
  explicit LiveSerialQueue(std::string label);
  ~LiveSerialQueue() override;

  const std::string& label() const override { return queue_->label(); }
  void async(Task task) override { queue_->async(std::move(task)); }
  void asyncAfter(double seconds, Task task) override {
    queue_->asyncAfter(seconds, std::move(task));
  }
  bool isCurrent() const override { return queue_->isCurrent(); }

 private:
  // Shared with the worker, which may outlive this object by its last tasks.
  std::shared_ptr<WorkLoop> loop_;
  std::unique_ptr<WorkLoopQueue> queue_;
  std::thread worker_;
};

}  // namespace vigilix::platform
