#include "platform/power/logind_power_assertions.h"

#include <fcntl.h>

#include <chrono>
#include <future>
#include <map>
#include <mutex>

#include "platform/base/logger.h"
#include "platform/fs/unique_fd.h"
#include "platform/runloop/descriptor_watcher.h"
#include "platform/runloop/live_serial_queue.h"

namespace vigilix::platform {

namespace {

constexpr const char* kWho = "Vigilix";
constexpr const char* kMode = "block";

bool sameLock(const LogindInhibitor& row, const std::string& what, const std::string& name) {
  return row.pid == static_cast<std::uint32_t>(PowerAssertions::currentProcessID()) &&
         row.who == kWho && row.why == name && row.what == what && row.mode == kMode;
}

// No bus, no logind, or no answer; any other error is logind's own refusal
// (polkit, bad arguments), which says nothing of whether it is there.
bool meansUnreachable(const BusError& error) {
  return logindIsNotRunning(error) || error.name == "org.freedesktop.DBus.Error.NoReply" ||
         error.name == "org.freedesktop.DBus.Error.Disconnected" ||
         error.name == "org.freedesktop.DBus.Error.TimedOut";
}

}  // namespace

std::optional<std::string> logindWhatForAssertionType(const std::string& type) {
  if (type == kAssertionTypePreventUserIdleSystemSleep) return "sleep";
  if (type == kAssertionTypePreventUserIdleDisplaySleep) return "idle:sleep";
  return std::nullopt;
}

std::optional<std::string> assertionTypeForLogindWhat(const LogindInhibitor& lock) {
  if (lock.inhibits("idle")) return kAssertionTypePreventUserIdleDisplaySleep;
  if (lock.inhibits("sleep")) return kAssertionTypePreventUserIdleSystemSleep;
  return std::nullopt;
}

struct LogindPowerAssertions::State : std::enable_shared_from_this<State> {
  struct Record {
    std::string type;
    std::string what;
    std::string name;
    bool vanished = false;
  };
  // What the queue holds for one assertion; touched on the queue only.
  struct Lock {
    UniqueFd fd;
    std::optional<DescriptorWatcher::Id> watch;
    std::optional<SessionInhibition> session;
  };

  explicit State(Services given) : services(std::move(given)) {}
  ~State() {
    for (auto& [assertionID, lock] : locks) letGo(lock);
  }

  void post(void (State::*step)(PowerAssertionID), PowerAssertionID assertionID) {
    services.busQueue->async(
        [self = shared_from_this(), step, assertionID] { ((*self).*step)(assertionID); });
  }
  // Asks for a fresh listing unless one is on its way; call with `mutex` held.
  void refreshLocked() {
    if (refreshPending) return;
    refreshPending = true;
    services.busQueue->async([self = shared_from_this()] { self->refresh(); });
  }

  void take(PowerAssertionID assertionID);
  void drop(PowerAssertionID assertionID);
  void verify(PowerAssertionID assertionID);
  void refresh();
  void letGo(Lock& lock);
  void vanish(PowerAssertionID assertionID, const char* why);
  void noteReachable(bool reachable, const BusError* error);

  Services services;
  Logger log{"PowerAssertions"};

  mutable std::mutex mutex;
  std::map<PowerAssertionID, Record> records;
  PowerAssertionID nextID = 1;
  std::optional<bool> reachable;
  std::optional<bool> desktopInhibited;
  bool refreshPending = false;
  PowerAssertionsByProcess lastListing;

  std::map<PowerAssertionID, Lock> locks;
};

void LogindPowerAssertions::State::noteReachable(bool now, const BusError* error) {
  std::lock_guard guard(mutex);
  if (reachable == now) return;
  if (!now) {
    log.error("logind cannot be reached, so no power assertion can be held: {}",
              error != nullptr ? error->description() : std::string("no answer"));
  } else if (reachable.has_value()) {
    log.log("logind answers again.");
  }
  reachable = now;
}

void LogindPowerAssertions::State::take(PowerAssertionID assertionID) {
  Record record;
  {
    std::lock_guard guard(mutex);
    const auto found = records.find(assertionID);
    if (found == records.end()) return;  // released before its turn
    record = found->second;
  }
  auto fd = services.logind->inhibit(record.what, kWho, record.name, kMode);
  if (!fd) {
    if (meansUnreachable(fd.error())) {
      noteReachable(false, &fd.error());
    } else {
      log.error("logind refused a lock: {}", fd.error().description());
    }
    vanish(assertionID, "could not be taken");
    return;
  }
  noteReachable(true, nullptr);
  Lock& lock = locks[assertionID];
  lock.fd = std::move(*fd);
  // The watcher holds a duplicate: logind closing its end shows there as an error.
  if (const int watched = ::fcntl(lock.fd.get(), F_DUPFD_CLOEXEC, 3); watched >= 0) {
    lock.watch = DescriptorWatcher::shared().watch(watched, [weak = weak_from_this(), assertionID] {
      if (auto self = weak.lock()) self->post(&State::verify, assertionID);
    });
  }
  if (services.session) {
    lock.session = services.session->inhibit(
        record.type == kAssertionTypePreventUserIdleDisplaySleep, record.name);
    std::lock_guard guard(mutex);
    desktopInhibited = lock.session.has_value();
  }
}

void LogindPowerAssertions::State::letGo(Lock& lock) {
  if (lock.watch) DescriptorWatcher::shared().cancel(*lock.watch);
  if (lock.session && services.session) services.session->uninhibit(*lock.session);
  lock.fd.reset();
}

void LogindPowerAssertions::State::drop(PowerAssertionID assertionID) {
  const auto found = locks.find(assertionID);
  if (found == locks.end()) return;
  letGo(found->second);
  locks.erase(found);
}

void LogindPowerAssertions::State::vanish(PowerAssertionID assertionID, const char* why) {
  drop(assertionID);
  std::lock_guard guard(mutex);
  const auto found = records.find(assertionID);
  if (found == records.end()) return;
  found->second.vanished = true;
  log.log("The inhibitor lock for \"{}\" {}.", found->second.name, why);
}

void LogindPowerAssertions::State::verify(PowerAssertionID assertionID) {
  const auto held = locks.find(assertionID);
  if (held == locks.end()) return;
  held->second.watch.reset();  // reported, so already closed by the watcher
  std::optional<Record> record;
  {
    std::lock_guard guard(mutex);
    if (const auto found = records.find(assertionID); found != records.end())
      record = found->second;
  }
  if (!record) return;
  // A restarted logind may open its end again: only the listing says the lock is gone.
  auto rows = services.logind->listInhibitors();
  if (rows) {
    for (const LogindInhibitor& row : *rows) {
      if (sameLock(row, record->what, record->name)) return;
    }
  }
  vanish(assertionID, "vanished");
}

void LogindPowerAssertions::State::refresh() {
  auto rows = services.logind->listInhibitors();
  if (rows || meansUnreachable(rows.error())) {
    noteReachable(rows.has_value(), rows ? nullptr : &rows.error());
  }
  PowerAssertionsByProcess listing;
  // Without logind no lock is held by anyone: an empty listing, not a failed one.
  if (!rows && logindIsNotRunning(rows.error())) listing.result = kPowerReturnSuccess;
  if (rows) {
    listing.result = kPowerReturnSuccess;
    for (const LogindInhibitor& row : *rows) {
      const auto type = assertionTypeForLogindWhat(row);
      if (!type || row.mode != kMode) continue;
      listing.byProcess[static_cast<std::int32_t>(row.pid)].push_back(PropertyDictionary{
          {kAssertionTypeKey, *type},
          {kAssertionLevelKey, kPowerAssertionLevelOn},
          {kAssertionNameKey, row.why},
      });
    }
  }
  std::lock_guard guard(mutex);
  refreshPending = false;
  lastListing = std::move(listing);
}

LogindPowerAssertions::LogindPowerAssertions()
    : LogindPowerAssertions(Services{
          std::make_shared<LiveLogindInhibitors>(), std::make_shared<DesktopSessionInhibitor>(),
          std::make_shared<LiveSerialQueue>("run.tarvo.vigilix.power-assertions")}) {}

LogindPowerAssertions::LogindPowerAssertions(Services services)
    : state_(std::make_shared<State>(std::move(services))) {
  // Asked at once, so that a create soon after already knows whether logind is there.
  std::lock_guard guard(state_->mutex);
  state_->refreshLocked();
}

LogindPowerAssertions::~LogindPowerAssertions() = default;

PowerAssertionCreateResult LogindPowerAssertions::createWithName(const std::string& type,
                                                                 std::int64_t level,
                                                                 const std::string& name) {
  const auto what = logindWhatForAssertionType(type);
  if (!what || name.empty() || level != kPowerAssertionLevelOn) {
    return {kPowerReturnBadArgument, 0};
  }
  std::lock_guard guard(state_->mutex);
  if (state_->reachable == false) {
    state_->refreshLocked();
    return {kPowerReturnError, 0};
  }
  if (state_->nextID == 0) return {kPowerReturnError, 0};  // every identifier used up
  const PowerAssertionID assertionID = state_->nextID++;
  state_->records[assertionID] = State::Record{type, *what, name, false};
  state_->post(&State::take, assertionID);
  return {kPowerReturnSuccess, assertionID};
}

std::optional<PropertyDictionary> LogindPowerAssertions::copyProperties(
    PowerAssertionID assertionID) const {
  std::lock_guard guard(state_->mutex);
  const auto found = state_->records.find(assertionID);
  if (found == state_->records.end() || found->second.vanished) return std::nullopt;
  return PropertyDictionary{
      {kAssertionTypeKey, found->second.type},
      {kAssertionLevelKey, kPowerAssertionLevelOn},
      {kAssertionNameKey, found->second.name},
  };
}

PowerReturn LogindPowerAssertions::release(PowerAssertionID assertionID) {
  std::lock_guard guard(state_->mutex);
  if (state_->records.erase(assertionID) == 0) return kPowerReturnNotFound;
  state_->post(&State::drop, assertionID);
  return kPowerReturnSuccess;
}

PowerAssertionsByProcess LogindPowerAssertions::copyAssertionsByProcess() const {
  std::lock_guard guard(state_->mutex);
  state_->refreshLocked();
  return state_->lastListing;
}

PowerAssertionsByProcess LogindPowerAssertions::copyAssertionsByProcessAfterPendingChanges(
    double maximumWaitSeconds) const {
  auto listed = std::make_shared<std::promise<void>>();
  std::future<void> done = listed->get_future();
  // Behind every take and drop already posted, so a repair just asked for is listed.
  state_->services.busQueue->async([self = state_, listed] {
    self->refresh();
    listed->set_value();
  });
  (void)done.wait_for(std::chrono::duration<double>(maximumWaitSeconds));
  std::lock_guard guard(state_->mutex);
  return state_->lastListing;
}

std::optional<bool> LogindPowerAssertions::logindReachable() const {
  std::lock_guard guard(state_->mutex);
  return state_->reachable;
}

std::optional<bool> LogindPowerAssertions::desktopInhibited() const {
  std::lock_guard guard(state_->mutex);
  return state_->desktopInhibited;
}

}  // namespace vigilix::platform
