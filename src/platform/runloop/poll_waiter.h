#pragma once

#include <atomic>

#include "platform/base/observer_registry.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/descriptor_sources.h"
#include "platform/runloop/loop_waiter.h"
#include "platform/runloop/wake_event.h"

namespace vigilix::platform {

// Waits in poll(2) on a wake event and the registered descriptor sources,
// whose callbacks it runs on the waiting thread. The live main loop's waiter.
// Wall-clock waits go to an absolute real-time timer, so an idle loop wakes
// only when something is due: the kernel moves it with a set clock, which
// wakes the loop only when the set makes it due.
class PollWaiter final : public LoopWaiter, public DescriptorSources {
 public:
  // `clock` gives the uptime that source deadlines are measured on.
  explicit PollWaiter(const Clock& clock);
  ~PollWaiter() override;

  void wait(std::optional<double> seconds, std::optional<double> wallSeconds) override;
  void wake() override { wake_.signal(); }

  using DescriptorSources::add;
  [[nodiscard]] SourceHandle add(Prepare prepare, Dispatch dispatch) override;

 private:
  struct Source {
    Prepare prepare;
    Dispatch dispatch;
    std::atomic<bool> alive{true};
    bool inCall = false;  // only the waiting thread touches it
  };

  const Clock& clock_;
  WakeEvent wake_;
  // The absolute real-time timer; -1 when none could be made (waits on the
  // wall clock then end within a second).
  int wallTimer_ = -1;
  detail::ObserverRegistry<Source> sources_;
};

}  // namespace vigilix::platform
