#include "platform/system/clock_change_filter.h"

#include <cmath>

#include "platform/base/logger.h"
#include "platform/notifications/notification_center.h"
#include "platform/system/clock_change_monitor.h"

namespace vigilix::platform {

namespace {

const Logger& log() {
  static const Logger logger("Clock");
  return logger;
}

}  // namespace

struct ClockChangeFilter::State : std::enable_shared_from_this<State> {
  State(const Clock& clock, DispatchQueue& queue) : clock(clock), queue(queue) {
    toldOffset = offset();
  }

  // How far the wall clock is ahead of continuous time.
  double offset() const {
    return clock.now().timeIntervalSinceReferenceDate() -
           static_cast<double>(clock.continuousNanoseconds()) / 1e9;
  }

  void look() {
    pending = false;
    gathering = true;
    queue.asyncAfter(kGatheringSeconds, [weak = weak_from_this()] {
      if (const auto self = weak.lock()) self->endGathering();
    });
    const double now = offset();
    const double jump = now - toldOffset;
    if (std::fabs(jump) <= kTolerance) return;
    toldOffset = now;
    log().log("The clock was set {} by {:.1f} s.", jump > 0 ? "ahead" : "back", std::fabs(jump));
    NotificationCenter::defaultCenter().post(kSystemClockDidChangeNotification);
  }

  void endGathering() {
    gathering = false;
    if (pending) look();
  }

  const Clock& clock;
  DispatchQueue& queue;
  double toldOffset = 0;
  bool gathering = false;
  bool pending = false;
};

ClockChangeFilter::ClockChangeFilter(const Clock& clock, DispatchQueue& queue)
    : state_(std::make_shared<State>(clock, queue)) {}

ClockChangeFilter::~ClockChangeFilter() = default;

void ClockChangeFilter::clockWasSet() {
  if (state_->gathering) {
    state_->pending = true;
  } else {
    state_->look();
  }
}

bool ClockChangeFilter::gathering() const { return state_->gathering; }

}  // namespace vigilix::platform
