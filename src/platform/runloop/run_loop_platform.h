#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_process_source.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/run_loop.h"
#include "platform/runloop/work_loop.h"

namespace vigilix::platform {

// What `RunLoop::main()`, `DispatchQueue::main()`, `makeSerial`,
// `isMainThread`, `DispatchTimerSource::make` and
// `DispatchProcessSource::make` hand out: the live
// implementation unless the test platform installed its virtual one.
class RunLoopPlatform {
 public:
  virtual ~RunLoopPlatform() = default;

  virtual const Clock& clock() const = 0;
  virtual RunLoop& mainRunLoop() = 0;
  virtual DispatchQueue& mainQueue() = 0;
  virtual std::shared_ptr<DispatchQueue> makeSerialQueue(const std::string& label) = 0;
  // Where timer sources (and delayed work of queues without a loop of their
  // own) wait for their due times; when due, they post to their queue.
  virtual WorkLoop& timerLoop() = 0;
  virtual bool isMainThread() const = 0;
  // See DispatchProcessSource::make.
  virtual std::shared_ptr<DispatchProcessSource> makeProcessSource(std::int32_t processIdentifier,
                                                                   DispatchQueue& queue) = 0;

  static RunLoopPlatform& current();
  // Installs a platform (nullptr restores the live one). For the test platform.
  static void setCurrent(RunLoopPlatform* platform);
};

}  // namespace vigilix::platform
