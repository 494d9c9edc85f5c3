#include "platform/system/clock_change_monitor.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/base/logger.h"
#include "platform/fs/file_system.h"
#include "platform/notifications/notification_center.h"

namespace vigilix::platform {

namespace {

const Logger& log() {
  static const Logger logger("Clock");
  return logger;
}

constexpr std::string_view kZoneFile = "localtime";

}  // namespace

std::unique_ptr<ClockChangeMonitor> ClockChangeMonitor::start(DescriptorSources& sources) {
  std::unique_ptr<ClockChangeMonitor> monitor(new ClockChangeMonitor());
  ClockChangeMonitor* self = monitor.get();
  self->filter_ = std::make_unique<ClockChangeFilter>(Clock::current(), DispatchQueue::main());
  self->clock_ = UniqueFd(::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK));
  if (self->clock_.valid() && self->armClock()) {
    self->clockSource_ = sources.add(
        [self] {
          return DescriptorInterest{self->filter_->gathering() ? -1 : self->clock_.get(), POLLIN,
                                    std::nullopt};
        },
        [self](short) { self->clockFired(); });
  } else {
    log().error("A set clock cannot be seen: {}", std::strerror(errno));
  }
  const std::string folder = FileSystem::pathFor("/etc").string();
  self->zone_ = UniqueFd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
  if (self->zone_.valid() &&
      ::inotify_add_watch(self->zone_.get(), folder.c_str(),
                          IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_DELETE | IN_ATTRIB) >= 0) {
    self->zoneSource_ =
        sources.add(self->zone_.get(), POLLIN, [self](short) { self->zoneFolderChanged(); });
  } else {
    log().error("A new time zone cannot be seen in {}: {}", folder, std::strerror(errno));
  }
  return monitor;
}

ClockChangeMonitor::~ClockChangeMonitor() = default;

bool ClockChangeMonitor::armClock() {
  // As far ahead as the timer takes: it only ever ends by being cancelled.
  itimerspec due{};
  due.it_value.tv_sec = static_cast<time_t>(INT_MAX);
  return ::timerfd_settime(clock_.get(), TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &due,
                           nullptr) == 0;
}

void ClockChangeMonitor::clockFired() {
  std::uint64_t expirations = 0;
  if (::read(clock_.get(), &expirations, sizeof expirations) >= 0 || errno != ECANCELED) return;
  // Armed again before the clock is read, so that a set after the reading is not missed.
  if (!armClock()) log().error("A set clock is no longer seen: {}", std::strerror(errno));
  filter_->clockWasSet();
}

void ClockChangeMonitor::zoneFolderChanged() {
  alignas(inotify_event) char buffer[4096];
  bool zoneChanged = false;
  for (;;) {
    const ssize_t length = ::read(zone_.get(), buffer, sizeof buffer);
    if (length <= 0) break;
    for (ssize_t at = 0; at < length;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->len > 0 && std::string_view(event->name) == kZoneFile) zoneChanged = true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  if (!zoneChanged) return;
  log().log("The time zone changed.");
  NotificationCenter::defaultCenter().post(kSystemTimeZoneDidChangeNotification);
}

}  // namespace vigilix::platform
