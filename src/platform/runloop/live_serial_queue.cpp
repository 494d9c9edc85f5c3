#include "platform/runloop/live_serial_queue.h"

#include "platform/runloop/live_clock.h"

namespace vigilix::platform {

LiveSerialQueue::LiveSerialQueue(std::string label)
    : loop_(std::make_shared<WorkLoop>(LiveClock::shared())),
      queue_(std::make_unique<WorkLoopQueue>(std::move(label), *loop_)) {
  // The worker runs until the stop task posted by the destructor.
  worker_ = std::thread([loop = loop_] { loop->run(); });
}

LiveSerialQueue::~LiveSerialQueue() {
  // Posted for now, so it runs after every task already posted for now.
  loop_->postNow([loop = loop_.get()] { loop->stop(); });
  if (worker_.get_id() == std::this_thread::get_id()) {
    // Dropped by one of its own tasks: the worker finishes on its own.
    worker_.detach();
  } else {
    worker_.join();
  }
}

}  // namespace vigilix::platform
