#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/base/date.h"
#include "platform/base/observer_token.h"

namespace vigilix::platform {

enum class RunLoopMode { Default, EventTracking, Common };

// A run-loop timer (NSTimer). Fires on the main run loop in the modes it was
// added for, never before its fire date. Invalidate is final.
class Timer {
 public:
  using Handler = std::function<void(Timer&)>;
  virtual ~Timer() = default;
  virtual void invalidate() = 0;
  virtual bool isValid() const = 0;
  virtual Date fireDate() const = 0;
  virtual void setFireDate(Date date) = 0;
  virtual double timeInterval() const = 0;  // 0 for one-shot
  virtual bool repeats() const = 0;
  virtual double tolerance() const = 0;
  virtual void setTolerance(double seconds) = 0;
};

// The main run loop. While a menu is open it runs in event-tracking mode, and
// then only sources added for the common modes fire.
class RunLoop {
 public:
  virtual ~RunLoop() = default;

  // Creates a timer that first fires `interval` seconds from now (wall clock)
  // and, when repeating, every `interval` after; added in `mode`.
  virtual std::shared_ptr<Timer> scheduleTimer(double interval, bool repeats,
                                               Timer::Handler handler,
                                               RunLoopMode mode = RunLoopMode::Default) = 0;
  // Creates a timer for a given fire date that is not yet added to any mode
  // (NSTimer's initWithFireDate:); it fires once `addTimer` adds it.
  virtual std::shared_ptr<Timer> makeTimer(Date fireDate, double interval, bool repeats,
                                           Timer::Handler handler) = 0;
  // Adds an existing timer for one more mode. The run loop keeps a scheduled
  // timer alive until it is invalidated (or a one-shot has fired).
  virtual void addTimer(const std::shared_ptr<Timer>& timer, RunLoopMode mode) = 0;
  // Runs `task` once, on the main thread, the next time the loop runs in
  // `mode` (a run-loop source's callout): a task for the default mode waits
  // while a menu is being tracked.
  virtual void perform(std::function<void()> task, RunLoopMode mode) = 0;

  virtual RunLoopMode currentMode() const = 0;
  // Enters and leaves event tracking (a menu opening and closing).
  virtual void beginTracking() = 0;
  virtual void endTracking() = 0;

  static RunLoop& main();
};

// A token that invalidates `timer` when it is dropped: the handle a polling
// observer gives back.
[[nodiscard]] ObserverHandle timerToken(std::shared_ptr<Timer> timer);

}  // namespace vigilix::platform
