#include "platform/runloop/live_run_loop.h"

#include <unistd.h>

#include "platform/runloop/live_serial_queue.h"

namespace vigilix::platform {

namespace {

// Timer sources of every queue wait here for their due times.
class TimerThread {
 public:
  TimerThread() : loop_(LiveClock::shared()), thread_([this] { loop_.run(); }) { thread_.detach(); }
  WorkLoop& loop() { return loop_; }

 private:
  WorkLoop loop_;
  std::thread thread_;
};

}  // namespace

void LiveRunLoop::run() {
  LivePlatform::shared().adoptMainThread();
  workLoop().run();
}

void LiveRunLoop::runUntil(Date date) {
  LivePlatform::shared().adoptMainThread();
  workLoop().run(date);
}

void LiveRunLoop::stop() { workLoop().stop(); }

LiveRunLoop& LiveRunLoop::main() { return LivePlatform::shared().liveRunLoop(); }

DescriptorSources& DescriptorSources::main() { return LivePlatform::shared().mainSources(); }

LivePlatform::LivePlatform()
    : mainWaiter_(LiveClock::shared()),
      mainLoop_(LiveClock::shared(), &mainWaiter_),
      runLoop_(mainLoop_),
      mainQueue_("main", mainLoop_, [this] { return isMainThread(); }) {}

LivePlatform& LivePlatform::shared() {
  // Never destroyed: other threads and static destructors may still post.
  static auto* platform = new LivePlatform();
  return *platform;
}

std::shared_ptr<DispatchQueue> LivePlatform::makeSerialQueue(const std::string& label) {
  return std::make_shared<LiveSerialQueue>(label);
}

WorkLoop& LivePlatform::timerLoop() {
  static auto* timers = new TimerThread();
  return timers->loop();
}

bool LivePlatform::isMainThread() const {
  const std::thread::id adopted = mainThread_.load(std::memory_order_acquire);
  // Until a loop runs, the process's first thread is the main thread.
  if (adopted == std::thread::id()) return gettid() == getpid();
  return adopted == std::this_thread::get_id();
}

void LivePlatform::adoptMainThread() {
  mainThread_.store(std::this_thread::get_id(), std::memory_order_release);
}

}  // namespace vigilix::platform
