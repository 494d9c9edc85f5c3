#include "platform/power/logind_sleep_monitor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <future>
#include <string_view>

#include "platform/base/logger.h"
#include "platform/buswire/match_rule.h"
#include "platform/notifications/notification_center.h"

namespace vigilix::platform {

namespace {

constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";

const Logger& log() {
  static const Logger logger("sleep");
  return logger;
}

// poll()'s timeout for sd-bus's absolute CLOCK_MONOTONIC deadline.
int pollTimeout(sd_bus* bus) {
  std::uint64_t deadline = 0;
  if (sd_bus_get_timeout(bus, &deadline) < 0 || deadline == UINT64_MAX) return -1;
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  const std::uint64_t nowMicroseconds = static_cast<std::uint64_t>(now.tv_sec) * 1'000'000 +
                                        static_cast<std::uint64_t>(now.tv_nsec) / 1000;
  if (deadline <= nowMicroseconds) return 0;
  return static_cast<int>(
      std::min<std::uint64_t>((deadline - nowMicroseconds + 999) / 1000, 60'000));
}

}  // namespace

LogindSleepMonitor::LogindSleepMonitor(DispatchQueue& mainQueue,
                                       std::shared_ptr<LogindInhibitors> logind)
    : mainQueue_(mainQueue), logind_(std::move(logind)) {}

LogindSleepMonitor::~LogindSleepMonitor() {
  if (thread_.joinable()) {
    const std::uint64_t one = 1;
    if (::write(stop_.get(), &one, sizeof one) != sizeof one) {
      log().error("The sleep monitor cannot be told to stop");
    }
    thread_.join();
  }
  sd_bus_slot_unref(slot_);
  sd_bus_slot_unref(ownerSlot_);
  sd_bus_flush_close_unref(bus_);
}

bool LogindSleepMonitor::start() {
  if (bus_) return false;
  if (const int result = sd_bus_open_system(&bus_); result < 0) {
    bus_ = nullptr;
    log().error("No system bus for sleep and wake: {}", busErrorFromResult(result).description());
    return false;
  }
  // A well-known sender cannot be matched locally, so the signal is taken
  // from anyone here and its sender compared with logind's unique name.
  int result = sd_bus_match_signal(
      bus_, &slot_, nullptr, kLogindPath, kLogindManager, "PrepareForSleep",
      +[](sd_bus_message* message, void* self, sd_bus_error*) {
        return onPrepareForSleep(message, self);
      },
      this);
  if (result >= 0) {
    result = sd_bus_add_match(
        bus_, &ownerSlot_,
        signalMatchRule({.sender = "org.freedesktop.DBus",
                         .path = "/org/freedesktop/DBus",
                         .interface = "org.freedesktop.DBus",
                         .member = "NameOwnerChanged",
                         .arg0 = kLogind})
            ->c_str(),
        +[](sd_bus_message* message, void* self, sd_bus_error*) {
          return onLogindOwnerChanged(message, self);
        },
        this);
  }
  if (result < 0) {
    log().error("Cannot watch for sleep: {}", busErrorFromResult(result).description());
    return false;
  }
  // After the matches: an owner that comes later is seen as a change.
  sd_bus_message* reply = nullptr;
  const char* owner = nullptr;
  if (sd_bus_call_method(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus", "GetNameOwner", nullptr, &reply, "s",
                         kLogind) >= 0 &&
      sd_bus_message_read(reply, "s", &owner) > 0) {
    logindOwner_ = owner;
  }
  sd_bus_message_unref(reply);
  if (logindOwner_.empty()) {
    log().log("logind is not running; sleep and wake are watched once it starts.");
  } else {
    (void)takeDelayLock();
  }
  stop_ = UniqueFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!stop_.valid()) return false;
  thread_ = std::thread([this] { serve(); });
  return true;
}

int LogindSleepMonitor::onLogindOwnerChanged(sd_bus_message* message, void* self) {
  const char* name = nullptr;
  const char* former = nullptr;
  const char* owner = nullptr;
  if (sd_bus_message_read(message, "sss", &name, &former, &owner) <= 0) return 0;
  if (std::string_view(name) != kLogind) return 0;
  static_cast<LogindSleepMonitor*>(self)->logindOwnerChanged(owner);
  return 0;
}

void LogindSleepMonitor::logindOwnerChanged(std::string owner) {
  // A lock of a logind that went is gone with it.
  delayLock_.reset();
  logindOwner_ = std::move(owner);
  if (logindOwner_.empty()) {
    log().log("logind went away; sleep is not held up until it is back.");
    return;
  }
  log().log("logind is running; sleep and wake are watched.");
  (void)takeDelayLock();
}

bool LogindSleepMonitor::takeDelayLock() {
  if (delayLock_.valid()) return true;
  auto lock = logind_->inhibit("sleep", "Vigilix", kWhy, "delay");
  if (!lock) {
    log().error("No delay lock before sleep: {}", lock.error().description());
    return false;
  }
  delayLock_ = std::move(*lock);
  return true;
}

int LogindSleepMonitor::onPrepareForSleep(sd_bus_message* message, void* self) {
  auto& monitor = *static_cast<LogindSleepMonitor*>(self);
  const char* sender = sd_bus_message_get_sender(message);
  if (monitor.logindOwner_.empty() || !sender || monitor.logindOwner_ != sender) {
    log().error("Ignored a PrepareForSleep that logind did not send (from {}).",
                sender ? sender : "nobody");
    return 0;
  }
  int sleeping = 0;
  if (sd_bus_message_read(message, "b", &sleeping) < 0) return 0;
  monitor.prepareForSleep(sleeping != 0);
  return 0;
}

void LogindSleepMonitor::prepareForSleep(bool sleeping) {
  if (!sleeping) {
    mainQueue_.async(
        [] { NotificationCenter::workspaceCenter().post("NSWorkspaceDidWakeNotification"); });
    (void)takeDelayLock();
    return;
  }
  auto posted = std::make_shared<std::promise<void>>();
  std::future<void> done = posted->get_future();
  mainQueue_.async([posted] {
    NotificationCenter::workspaceCenter().post("NSWorkspaceWillSleepNotification");
    posted->set_value();
  });
  if (done.wait_for(std::chrono::duration<double>(kWillSleepWaitSeconds)) !=
      std::future_status::ready) {
    log().error("The will-sleep work did not finish in time; the computer sleeps without waiting");
  }
  delayLock_.reset();
}

void LogindSleepMonitor::serve() {
  for (;;) {
    int result = 0;
    while ((result = sd_bus_process(bus_, nullptr)) > 0) {
    }
    if (result < 0) {
      log().error("The system bus went away; sleep and wake are no longer seen: {}",
                  busErrorFromResult(result).description());
      return;
    }
    pollfd watched[2] = {{sd_bus_get_fd(bus_), static_cast<short>(sd_bus_get_events(bus_)), 0},
                         {stop_.get(), POLLIN, 0}};
    if (::poll(watched, 2, pollTimeout(bus_)) < 0 && errno != EINTR) return;
    if (watched[1].revents != 0) return;
  }
}

}  // namespace vigilix::platform
