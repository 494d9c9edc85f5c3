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
#include "platform/runloop/weakly.h"

namespace vigilix::platform {

namespace {

constexpr const char* kWho = "Vigilix";
constexpr const char* kMode = kLogindLockMode;

bool sameLock(const LogindInhibitor& row, const Lock& lock) {
  return row.pid == static_cast<std::uint32_t>(PowerAssertions::currentProcessID()) &&
         row.who == kWho && row.why == lock.reason && row.what == logindWhat(lock.kind) &&
         row.mode == kMode;
}

// No bus, no logind, or no answer; any other error is logind's own refusal
// (polkit, bad arguments), which says nothing of whether it is there.
bool meansUnreachable(const BusError& error) {
  return logindIsNotRunning(error) || error.name == "org.freedesktop.DBus.Error.NoReply" ||
         error.name == "org.freedesktop.DBus.Error.Disconnected" ||
         error.name == "org.freedesktop.DBus.Error.TimedOut";
}

}  // namespace

const char* logindWhat(LockKind kind) {
  return kind == LockKind::displayAndSystemSleep ? "idle:sleep" : "sleep";
}

std::optional<Lock> keepAwakeLock(const LogindInhibitor& row) {
  if (row.mode != kMode) return std::nullopt;
  if (row.inhibits("idle")) return Lock{LockKind::displayAndSystemSleep, row.why};
  if (row.inhibits("sleep")) return Lock{LockKind::systemSleep, row.why};
  return std::nullopt;
}

struct LogindPowerAssertions::State : std::enable_shared_from_this<State> {
  struct Record {
    Lock lock;
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
    for (auto& [id, lock] : locks) letGo(lock);
  }

  void post(void (State::*step)(LockID), LockID id) {
    services.busQueue->async([self = shared_from_this(), step, id] { ((*self).*step)(id); });
  }
  // Asks for a fresh listing unless one is on its way; call with `mutex` held.
  void refreshLocked() {
    if (refreshPending) return;
    refreshPending = true;
    services.busQueue->async([self = shared_from_this()] { self->refresh(); });
  }

  void take(LockID id);
  void drop(LockID id);
  void verify(LockID id);
  void refresh();
  void letGo(Lock& lock);
  void vanish(LockID id, const char* why);
  void noteReachable(bool reachable, const BusError* error);

  Services services;
  Logger log{"PowerAssertions"};

  mutable std::mutex mutex;
  std::map<LockID, Record> records;
  LockID nextID = 1;
  std::optional<bool> reachable;
  std::optional<std::expected<void, SessionInhibitFailure>> desktopInhibited;
  bool refreshPending = false;
  LockListing lastListing = std::unexpected(LockError::unavailable);

  std::map<LockID, Lock> locks;
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

void LogindPowerAssertions::State::take(LockID id) {
  Record record;
  {
    std::lock_guard guard(mutex);
    const auto found = records.find(id);
    if (found == records.end()) return;  // released before its turn
    record = found->second;
  }
  auto fd = services.logind->inhibit(logindWhat(record.lock.kind), kWho, record.lock.reason, kMode);
  if (!fd) {
    if (meansUnreachable(fd.error())) {
      noteReachable(false, &fd.error());
    } else {
      log.error("logind refused a lock: {}", fd.error().description());
    }
    vanish(id, "could not be taken");
    return;
  }
  noteReachable(true, nullptr);
  Lock& lock = locks[id];
  lock.fd = std::move(*fd);
  // The watcher holds a duplicate: logind closing its end shows there as an error.
  if (const int watched = ::fcntl(lock.fd.get(), F_DUPFD_CLOEXEC, 3); watched >= 0) {
    lock.watch = DescriptorWatcher::shared().watch(
        watched, weakly(this, [id](State& self) { self.post(&State::verify, id); }));
  }
  if (services.session) {
    auto inhibition = services.session->inhibit(record.lock.kind == LockKind::displayAndSystemSleep,
                                                record.lock.reason);
    std::lock_guard guard(mutex);
    if (inhibition) {
      lock.session = *inhibition;
      desktopInhibited.emplace();
    } else {
      desktopInhibited = std::unexpected(inhibition.error());
    }
  }
}

void LogindPowerAssertions::State::letGo(Lock& lock) {
  if (lock.watch) DescriptorWatcher::shared().cancel(*lock.watch);
  if (lock.session && services.session) services.session->uninhibit(*lock.session);
  lock.fd.reset();
}

void LogindPowerAssertions::State::drop(LockID id) {
  const auto found = locks.find(id);
  if (found == locks.end()) return;
  letGo(found->second);
  locks.erase(found);
}

void LogindPowerAssertions::State::vanish(LockID id, const char* why) {
  drop(id);
  std::lock_guard guard(mutex);
  const auto found = records.find(id);
  if (found == records.end()) return;
  found->second.vanished = true;
  log.log("The inhibitor lock for \"{}\" {}.", found->second.lock.reason, why);
}

void LogindPowerAssertions::State::verify(LockID id) {
  const auto held = locks.find(id);
  if (held == locks.end()) return;
  held->second.watch.reset();  // reported, so already closed by the watcher
  std::optional<Record> record;
  {
    std::lock_guard guard(mutex);
    if (const auto found = records.find(id); found != records.end()) record = found->second;
  }
  if (!record) return;
  // A restarted logind may open its end again: only the listing says the lock is gone.
  auto rows = services.logind->listInhibitors();
  if (rows) {
    for (const LogindInhibitor& row : *rows) {
      if (sameLock(row, record->lock)) return;
    }
  }
  vanish(id, "vanished");
}

void LogindPowerAssertions::State::refresh() {
  auto rows = services.logind->listInhibitors();
  if (rows || meansUnreachable(rows.error())) {
    noteReachable(rows.has_value(), rows ? nullptr : &rows.error());
  }
  LockListing listing = std::unexpected(LockError::unavailable);
  // Without logind no lock is held by anyone: an empty listing, not a failed one.
  if (rows || logindIsNotRunning(rows.error())) listing = LocksByProcess{};
  if (rows) {
    for (const LogindInhibitor& row : *rows) {
      if (auto lock = keepAwakeLock(row))
        (*listing)[static_cast<std::int32_t>(row.pid)].push_back(std::move(*lock));
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

std::expected<LockID, LockError> LogindPowerAssertions::take(LockKind kind,
                                                             const std::string& reason) {
  if (reason.empty()) return std::unexpected(LockError::badArgument);
  std::lock_guard guard(state_->mutex);
  if (state_->reachable == false) {
    state_->refreshLocked();
    return std::unexpected(LockError::unavailable);
  }
  // Every identifier used up.
  if (state_->nextID == 0) return std::unexpected(LockError::unavailable);
  const LockID id = state_->nextID++;
  state_->records[id] = State::Record{Lock{kind, reason}, false};
  state_->post(&State::take, id);
  return id;
}

std::optional<Lock> LogindPowerAssertions::heldLock(LockID id) const {
  std::lock_guard guard(state_->mutex);
  const auto found = state_->records.find(id);
  if (found == state_->records.end() || found->second.vanished) return std::nullopt;
  return found->second.lock;
}

std::expected<void, LockError> LogindPowerAssertions::release(LockID id) {
  std::lock_guard guard(state_->mutex);
  if (state_->records.erase(id) == 0) return std::unexpected(LockError::notFound);
  state_->post(&State::drop, id);
  return {};
}

LockListing LogindPowerAssertions::locksByProcess() const {
  std::lock_guard guard(state_->mutex);
  state_->refreshLocked();
  return state_->lastListing;
}

LockListing LogindPowerAssertions::locksByProcessAfterPendingChanges(
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

std::optional<std::expected<void, SessionInhibitFailure>> LogindPowerAssertions::desktopInhibited()
    const {
  std::lock_guard guard(state_->mutex);
  return state_->desktopInhibited;
}

}  // namespace vigilix::platform
