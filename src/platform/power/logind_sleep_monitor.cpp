#include "platform/power/logind_sleep_monitor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
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
}

bool LogindSleepMonitor::start() {
  if (bus_) return false;
  // sd-bus's own call timeout, as for every other wait on this connection.
  auto bus = BusConnection::openSystem(0);
  if (!bus) {
    log().error("No system bus for sleep and wake: {}", bus.error().description());
    return false;
  }
  bus_.emplace(std::move(*bus));
  // A well-known sender cannot be matched locally, so the signal is taken
  // from anyone here and its sender compared with logind's unique name.
  auto slot = bus_->addMatch(*signalMatchRule({.sender = {},
                                               .path = kLogindPath,
                                               .interface = kLogindManager,
                                               .member = "PrepareForSleep",
                                               .arg0 = {}}),
                             [this](BusArgumentReader& signal) { onPrepareForSleep(signal); });
  std::expected<BusSlot, BusError> ownerSlot = std::unexpected(BusError{});
  if (slot) {
    ownerSlot = bus_->addMatch(*signalMatchRule({.sender = "org.freedesktop.DBus",
                                                 .path = "/org/freedesktop/DBus",
                                                 .interface = "org.freedesktop.DBus",
                                                 .member = "NameOwnerChanged",
                                                 .arg0 = kLogind}),
                               [this](BusArgumentReader& signal) {
                                 const std::string name = signal.string();
                                 signal.string();
                                 std::string owner = signal.string();
                                 if (signal && name == kLogind)
                                   logindOwnerChanged(std::move(owner));
                               });
  }
  if (!slot || !ownerSlot) {
    log().error("Cannot watch for sleep: {}",
                (!slot ? slot.error() : ownerSlot.error()).description());
    return false;
  }
  slot_ = std::move(*slot);
  ownerSlot_ = std::move(*ownerSlot);
  // After the matches: an owner that comes later is seen as a change.
  if (auto owner = readReply<std::string>(bus_->call(
          {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetNameOwner"},
          [](BusArgumentWriter& out) { out.string(kLogind); }))) {
    logindOwner_ = std::move(*owner);
  }
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

void LogindSleepMonitor::onPrepareForSleep(BusArgumentReader& signal) {
  const std::string sender = signal.sender();
  if (logindOwner_.empty() || logindOwner_ != sender) {
    log().error("Ignored a PrepareForSleep that logind did not send (from {}).",
                sender.empty() ? "nobody" : sender);
    return;
  }
  const bool sleeping = signal.boolean();
  if (!signal) return;
  prepareForSleep(sleeping);
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
    if (const auto processed = bus_->processPending(); !processed) {
      log().error("The system bus went away; sleep and wake are no longer seen: {}",
                  processed.error().description());
      return;
    }
    pollfd watched[2] = {{bus_->fd(), bus_->events(), 0}, {stop_.get(), POLLIN, 0}};
    if (::poll(watched, 2, bus_->pollTimeoutMilliseconds()) < 0 && errno != EINTR) return;
    if (watched[1].revents != 0) return;
  }
}

}  // namespace vigilix::platform
