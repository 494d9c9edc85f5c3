#include "direct/lock/lock_state_monitor.h"

#include <algorithm>
#include <vector>

#include "platform/base/date_format.h"
#include "platform/base/logger.h"
#include "platform/fs/standard_folders.h"
#include "platform/runloop/clock.h"

namespace vigilix {

namespace VGXLockStateLogic {

namespace {

std::string_view sourceOf(VGXLockEvent event) {
  switch (event) {
    case VGXLockEvent::initial:
      return "initial";
    case VGXLockEvent::screenIsLocked:
      return "screenIsLocked";
    case VGXLockEvent::screenIsUnlocked:
      return "screenIsUnlocked";
    case VGXLockEvent::sessionResignActive:
      return "sessionDidResignActive";
    case VGXLockEvent::sessionBecomeActive:
      return "sessionDidBecomeActive";
  }
  return "unknown";
}

std::string_view described(const VGXSessionReading& reading, std::optional<bool> value) {
  if (!reading) return "nil";
  if (!value) return "absent";
  return *value ? "true" : "false";
}

}  // namespace

Result fromReading(const VGXSessionReading& reading) {
  if (!reading) return {};
  if (reading->lockedHint == true) return {VGXLockState::locked, false};
  if (!reading->active) return {};
  return *reading->active ? Result{VGXLockState::unlocked, true}
                          : Result{VGXLockState::locked, false};
}

Result apply(VGXLockEvent event, const VGXSessionReading& reading) {
  if (event == VGXLockEvent::screenIsLocked || event == VGXLockEvent::sessionResignActive) {
    return {VGXLockState::locked, false};
  }
  return fromReading(reading);
}

std::string diagnosticsLine(platform::Date at, VGXLockEvent event,
                            const VGXSessionReading& reading) {
  std::string keys = "nil";
  if (reading) {
    std::vector<std::string_view> read;
    if (reading->active) read.push_back("Active");
    if (reading->lockedHint) read.push_back("LockedHint");
    keys.clear();
    for (const auto name : read) keys += (keys.empty() ? "" : ",") + std::string(name);
  }
  return platform::iso8601Text(at) + " source=" + std::string(sourceOf(event)) + " keys=" + keys +
         " LockedHint=" +
         std::string(described(reading, reading ? reading->lockedHint : std::nullopt)) +
         " Active=" + std::string(described(reading, reading ? reading->active : std::nullopt)) +
         "\n";
}

std::string appendCapped(std::string existing, std::string_view line, std::size_t maxBytes) {
  existing += line;
  if (existing.size() <= maxBytes) return existing;
  std::string tail = existing.substr(existing.size() - maxBytes);
  if (const auto feed = tail.find('\n'); feed != std::string::npos) tail.erase(0, feed + 1);
  return tail;
}

}  // namespace VGXLockStateLogic

VGXLockStateMonitor::VGXLockStateMonitor(platform::UserDefaults& defaults, Path logFile,
                                         std::size_t maxLogBytes)
    : defaults_(defaults), logFile_(std::move(logFile)), maxLogBytes_(maxLogBytes) {}

VGXLockStateMonitor::Path VGXLockStateMonitor::defaultLogFile() {
  return platform::standardFolder(platform::StandardFolder::logs) / "presence-lock.log";
}

void VGXLockStateMonitor::start(std::shared_ptr<platform::AsyncBusConnection> systemBus,
                                platform::LogindSessionLookup lookup) {
  if (source_) return;
  source_ = platform::LogindSessionLock::start(
      std::move(systemBus), std::move(lookup),
      [this](VGXLockEvent event, const VGXSessionReading& reading) { handle(event, reading); });
}

void VGXLockStateMonitor::handle(VGXLockEvent event, const VGXSessionReading& reading) {
  result_ = VGXLockStateLogic::apply(event, reading);
  writeDiagnostics(event, reading);
  // Every event is told, also one that changes nothing: the owner re-checks its gates.
  if (onChange) onChange();
}

void VGXLockStateMonitor::writeDiagnostics(VGXLockEvent event,
                                           const VGXSessionReading& reading) const {
  if (defaults_.boolValue(kPresenceLockDiagnosticsKey) != true) return;
  const auto existing = platform::FileSystem::readFile(logFile_);
  if (!existing && !existing.error().isNotFound()) return;  // never write over what we cannot read
  const std::string line =
      VGXLockStateLogic::diagnosticsLine(platform::Clock::current().now(), event, reading);
  const auto written = platform::FileSystem::writeFileAtomically(
      logFile_,
      VGXLockStateLogic::appendCapped(existing.value_or(std::string{}), line, maxLogBytes_));
  if (!written) {
    platform::Logger("SessionLock")
        .log("The lock diagnostics log cannot be written: {}", written.error().message);
  }
}

}  // namespace vigilix
