#pragma once

#include <memory>

#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix::platform {

// Decides which sets of the wall clock are changes: the wall clock moved further than the time
// that passed meanwhile (continuous time, which counts sleep, so a wake is no change) explains,
// by more than a second since the last change told. Each change is logged once and posted as
// kSystemClockDidChangeNotification on the default centre, whose observers then do their work.
// A storm of sets (a clock synchronised ten times a second) costs one look a second at most:
// after a look, sets are gathered for a second and looked at together. Main queue.
class ClockChangeFilter {
 public:
  static constexpr double kTolerance = 1.0;
  static constexpr double kGatheringSeconds = 1.0;

  ClockChangeFilter(const Clock& clock, DispatchQueue& queue);
  ~ClockChangeFilter();
  ClockChangeFilter(const ClockChangeFilter&) = delete;
  ClockChangeFilter& operator=(const ClockChangeFilter&) = delete;

  // The wall clock was set, once or more.
  void clockWasSet();
  // While sets are gathered, a source of them need not be watched: a look follows anyway
  // when this ends, if the source has a set to report by then.
  bool gathering() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace vigilix::platform
