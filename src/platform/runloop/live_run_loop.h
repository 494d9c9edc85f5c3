#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "platform/runloop/live_clock.h"
#include "platform/runloop/main_run_loop.h"
#include "platform/runloop/poll_waiter.h"
#include "platform/runloop/run_loop_platform.h"
#include "platform/runloop/work_loop.h"
#include "platform/runloop/work_loop_queue.h"

namespace vigilix::platform {

// The live main run loop. It runs on the thread that calls `run` or
// `runUntil`, which becomes the main thread; any thread may post to it.
class LiveRunLoop final : public MainRunLoop {
 public:
  explicit LiveRunLoop(WorkLoop& loop) : MainRunLoop(loop) {}

  // Runs until `stop`.
  void run();
  // Runs until `stop` or until the wall clock reaches `date`.
  void runUntil(Date date);
  // Makes the innermost `run` or `runUntil` return; nothing when none runs.
  void stop();

  // The process's live main run loop (also when a test platform is installed).
  static LiveRunLoop& main();
};

// The live implementation: the main run loop and main queue on the main
// thread, waiting in poll(2) on a wake event and the main descriptor sources;
// a worker thread per serial queue, one timer thread where timer sources wait
// for their due times, and one thread polling process sources.
class LivePlatform final : public RunLoopPlatform {
 public:
  const Clock& clock() const override { return LiveClock::shared(); }
  RunLoop& mainRunLoop() override { return runLoop_; }
  DispatchQueue& mainQueue() override { return mainQueue_; }
  std::shared_ptr<DispatchQueue> makeSerialQueue(const std::string& label) override;
  WorkLoop& timerLoop() override;
  bool isMainThread() const override;
  // Over a pidfd that the shared descriptor watcher polls.
  std::shared_ptr<DispatchProcessSource> makeProcessSource(std::int32_t processIdentifier,
                                                           DispatchQueue& queue) override;

  LiveRunLoop& liveRunLoop() { return runLoop_; }
  DescriptorSources& mainSources() { return mainWaiter_; }
  // Makes the calling thread the main thread (done by running the loop).
  void adoptMainThread();

  static LivePlatform& shared();

 private:
  LivePlatform();

  PollWaiter mainWaiter_;
  WorkLoop mainLoop_;
  LiveRunLoop runLoop_;
  WorkLoopQueue mainQueue_;
  std::atomic<std::thread::id> mainThread_;
};

}  // namespace vigilix::platform
