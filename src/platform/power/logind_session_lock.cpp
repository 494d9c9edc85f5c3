#include "platform/power/logind_session_lock.h"

#include "platform/base/logger.h"
#include "platform/buswire/match_rule.h"

namespace vigilix::platform {

namespace {

const Logger& log() {
  static const Logger logger("SessionLock");
  return logger;
}

constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kSessionInterface = "org.freedesktop.login1.Session";

}  // namespace

std::unique_ptr<LogindSessionLock> LogindSessionLock::start(
    std::shared_ptr<AsyncBusConnection> systemBus, LogindSessionLookup lookup, Handler onEvent) {
  std::unique_ptr<LogindSessionLock> lock(new LogindSessionLock());
  LogindSessionLock* self = lock.get();
  self->bus_ = std::move(systemBus);
  self->onEvent_ = std::move(onEvent);
  self->lookupCall_ = findLogindSession(*self->bus_, lookup, "the screen lock",
                                        [self](const std::string& path) { self->follow(path); });
  return lock;
}

LogindSessionLock::~LogindSessionLock() = default;

void LogindSessionLock::follow(const std::string& sessionPath) {
  // The bus daemon delivers only what logind's owner of the name sent.
  if (const auto rule = signalMatchRule({.sender = kLogind,
                                         .path = sessionPath,
                                         .interface = kSessionInterface,
                                         .member = {},
                                         .arg0 = {}})) {
    auto match = bus_->addMatch(*rule, [this](BusArgumentReader& signal) {
      const std::string member = signal.member();
      if (member == "Lock") report(SessionLockEvent::screenIsLocked);
      if (member == "Unlock") report(SessionLockEvent::screenIsUnlocked);
    });
    if (match) {
      signals_ = std::move(*match);
    } else {
      log().error("The session's Lock and Unlock are not heard: {}", match.error().description());
    }
  }
  for (const bool lockedHint : {true, false}) {
    auto watch = BoolPropertyWatch::start(
        bus_, {kLogind, sessionPath, kSessionInterface, lockedHint ? "LockedHint" : "Active"},
        [this, lockedHint](std::optional<bool> value) { property(lockedHint, value); });
    if (!watch) {
      log().error("The session's {} cannot be followed: {}", lockedHint ? "LockedHint" : "Active",
                  watch.error().description());
      continue;
    }
    (lockedHint ? lockedHintWatch_ : activeWatch_) = std::move(*watch);
  }
}

void LogindSessionLock::property(bool lockedHint, std::optional<bool> value) {
  std::optional<bool>& held = lockedHint ? reading_.lockedHint : reading_.active;
  const std::optional<bool> former = std::exchange(held, value);
  (lockedHint ? lockedHintRead_ : activeRead_) = true;
  if (!started_) {
    if (!lockedHintRead_ || !activeRead_) return;
    started_ = true;
    report(SessionLockEvent::initial);
    return;
  }
  // logind gone, or a reading equal to the last, is no event.
  if (!value || former == value) return;
  if (lockedHint) {
    report(*value ? SessionLockEvent::screenIsLocked : SessionLockEvent::screenIsUnlocked);
  } else {
    report(*value ? SessionLockEvent::sessionBecomeActive : SessionLockEvent::sessionResignActive);
  }
}

void LogindSessionLock::report(SessionLockEvent event) const {
  if (!started_) return;
  std::optional<SessionLockReading> reading;
  if (reading_.lockedHint || reading_.active) reading = reading_;
  onEvent_(event, reading);
}

}  // namespace vigilix::platform
