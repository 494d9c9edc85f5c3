#include "direct/presence/presence_poster.h"

#include <cctype>

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/locale/date_formatter.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

using platform::weakly;

std::shared_ptr<VGXPresencePoster> VGXPresencePoster::make(Functions functions) {
  return std::shared_ptr<VGXPresencePoster>(new VGXPresencePoster(std::move(functions)));
}

void VGXPresencePoster::start() {
  if (running_) return;
  running_ = true;
  tick();
  if (running_) armRepeat();
}

void VGXPresencePoster::stop() {
  running_ = false;
  if (auto cancel = std::exchange(cancelRepeat_, nullptr)) cancel();
  cancelPendingReturn();
}

void VGXPresencePoster::gatesChanged(const VGXPresenceGates& gates) {
  if (pendingReturn_ && !VGXPresenceRules::gateCheck(gates).isPost()) cancelPendingReturn();
}

void VGXPresencePoster::cancelPendingReturn() {
  if (auto cancel = std::exchange(cancelReturn_, nullptr)) cancel();
  pendingReturn_.reset();
}

void VGXPresencePoster::record(const VGXPresenceLastResult& result) {
  lastResult_ = result;
  if (onResult_) onResult_(result);
}

bool VGXPresencePoster::post(VGXPoint point) {
  // A move the system refused is not counted: nothing moved.
  if (!f_.postMove(point)) return false;
  ++postedCount_;
  return true;
}

void VGXPresencePoster::armRepeat() {
  if (auto cancel = std::exchange(cancelRepeat_, nullptr)) cancel();
  cancelRepeat_ = f_.schedule(kRepeatInterval, weakly(this, [](VGXPresencePoster& self) {
                                self.cancelRepeat_ = nullptr;
                                self.tick();
                                if (self.running_) self.armRepeat();
                              }));
}

std::optional<double> VGXPresencePoster::userIdleSeconds(std::optional<double> read) {
  if (!read || !lastNudge_) return read;
  const double sinceNudge = f_.now() - lastNudge_->at;
  // Restarted later than by the nudge and its return: the user's own input.
  if (*read + kReturnDelay + kOwnInputSlack < sinceNudge || sinceNudge < 0) {
    lastNudge_.reset();
    return read;
  }
  return lastNudge_->userIdle + sinceNudge;
}

void VGXPresencePoster::tick() {
  VGXPresenceGates gates = f_.gatherGates();
  gates.idleSeconds = userIdleSeconds(gates.idleSeconds);
  if (!gates.hasPostEventAccess) {
    record(VGXPresenceLastResult::skipped(f_.now(), VGXPresenceSkip::noAccess));
    if (f_.onAccessRevoked) f_.onAccessRevoked();
    stop();
    return;
  }
  const VGXPresenceDecision decision = VGXPresenceRules::decision(gates);
  if (!decision.isPost()) {
    cancelPendingReturn();
    record(VGXPresenceLastResult::skipped(f_.now(), *decision.skip));
    return;
  }
  const auto from = f_.pointer();
  if (!from) {
    record(VGXPresenceLastResult::skipped(f_.now(), VGXPresenceSkip::notIdle));
    return;
  }
  const VGXPoint target = VGXPresenceRules::nudgeTarget(*from, f_.displayBounds(*from));
  if (!post(target)) {
    // Nothing moved, so there is nothing to put back.
    cancelPendingReturn();
    record(VGXPresenceLastResult::moved(f_.now(), false));
    return;
  }
  lastNudge_ = Nudge{f_.now(), gates.idleSeconds.value_or(0)};
  pendingReturn_ = std::pair{*from, target};
  if (auto cancel = std::exchange(cancelReturn_, nullptr)) cancel();
  cancelReturn_ =
      f_.schedule(kReturnDelay, weakly(this, [](VGXPresencePoster& self) { self.returnStep(); }));
}

void VGXPresencePoster::returnStep() {
  cancelReturn_ = nullptr;
  if (!pendingReturn_) return;
  const auto [start, moved] = *std::exchange(pendingReturn_, std::nullopt);
  const VGXPresenceGates gates = f_.gatherGates();
  if (!gates.hasPostEventAccess) {
    record(VGXPresenceLastResult::moved(f_.now(), false));
    if (f_.onAccessRevoked) f_.onAccessRevoked();
    stop();
    return;
  }
  const auto current = f_.pointer();
  if (!current) {
    record(VGXPresenceLastResult::moved(f_.now(), false));
    return;
  }
  const VGXPresenceDecision decision = VGXPresenceRules::returnDecision(gates, *current, moved);
  if (decision.skip == VGXPresenceSkip::pointerMoved) {
    record(VGXPresenceLastResult::moved(f_.now(), false));
  } else if (decision.skip) {
    record(VGXPresenceLastResult::skipped(f_.now(), *decision.skip));
  } else {
    record(VGXPresenceLastResult::moved(f_.now(), post(start)));
  }
}

namespace {

// Why a minute passed without a nudge, as the person reads it.
std::string skipText(VGXPresenceSkip skip) {
  using platform::localized;
  switch (skip) {
    case VGXPresenceSkip::disabled:
      return localized("it is turned off", "chat presence: why a nudge was skipped");
    case VGXPresenceSkip::notAwake:
      return localized("Vigilix was not keeping the computer awake",
                       "chat presence: why a nudge was skipped");
    case VGXPresenceSkip::noAccess:
      return localized("it may not move the pointer", "chat presence: why a nudge was skipped");
    case VGXPresenceSkip::lidClosedOrUnknown:
      return localized("the lid was closed or could not be read",
                       "chat presence: why a nudge was skipped");
    case VGXPresenceSkip::closedLidArmed:
      return localized("closed-lid mode was on", "chat presence: why a nudge was skipped");
    case VGXPresenceSkip::displayAsleepOrUnknown:
      return localized("the screens were asleep or could not be read",
                       "chat presence: why a nudge was skipped");
    case VGXPresenceSkip::locked:
      return localized("the screen was locked", "chat presence: why a nudge was skipped");
    case VGXPresenceSkip::lockUnknown:
      return localized("whether the screen was locked was not known",
                       "chat presence: why a nudge was skipped");
    case VGXPresenceSkip::notIdle:
      return localized("you were using the computer", "chat presence: why a nudge was skipped");
    case VGXPresenceSkip::pointerMoved:
      break;
  }
  return localized("you moved the pointer", "chat presence: why a nudge was skipped");
}

}  // namespace

std::string VGXPresencePoster::statusText(const VGXPresenceLastResult& result,
                                          const std::string& formattedTime) {
  using platform::localized;
  std::string kept;
  for (const char c : formattedTime) {
    if (std::isdigit(static_cast<unsigned char>(c)) || c == ':') kept += c;
  }
  const std::string time = kept.find(':') != std::string::npos ? kept.substr(0, 5) : formattedTime;
  std::string line =
      localized("Once a minute while you're away; ", "chat presence: how often it nudges");
  if (result.kind == VGXPresenceLastResult::Kind::skipped) {
    return line + platform::fillPlaceholders(
                      localized("skipped at %@: %@", "chat presence: why a nudge was skipped"),
                      {time, skipText(result.reason)});
  }
  return line + platform::fillPlaceholders(
                    result.returned ? localized("last nudge %@, pointer put back",
                                                "chat presence: the last nudge")
                                    : localized("last nudge %@, pointer left where you moved it",
                                                "chat presence: the last nudge"),
                    {time});
}

std::string VGXPresencePoster::statusText(const VGXPresenceLastResult& result) {
  platform::DateFormatter formatter;
  formatter.setTimeStyle(platform::DateFormatStyle::shortStyle);
  return statusText(result, formatter.stringFromDate(result.date));
}

}  // namespace vigilix
