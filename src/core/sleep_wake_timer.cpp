#include "core/sleep_wake_timer.h"

#include <fmt/format.h>

#include <cmath>

#include "platform/base/process_once.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

using platform::weakly;

namespace {

constexpr const char* kDidWakeNotification = "NSWorkspaceDidWakeNotification";

// One failure log for the whole process, whichever timer fails.
platform::ProcessOnce& createFailureLogOnce() {
  static platform::ProcessOnce* once = new platform::ProcessOnce();
  return *once;
}

}  // namespace

DZLSleepWakeTimer::Environment DZLSleepWakeTimer::Environment::current() {
  return Environment{&platform::UserDefaults::standard(),
                     &platform::PowerAssertions::current(),
                     &platform::NotificationCenter::defaultCenter(),
                     &platform::NotificationCenter::workspaceCenter(),
                     &platform::DispatchQueue::main(),
                     &platform::Clock::current()};
}

DZLSleepWakeTimer::DZLSleepWakeTimer(Environment environment) : environment_(environment) {}

std::shared_ptr<DZLSleepWakeTimer> DZLSleepWakeTimer::make() {
  return make(Environment::current());
}

std::shared_ptr<DZLSleepWakeTimer> DZLSleepWakeTimer::make(Environment environment) {
  std::shared_ptr<DZLSleepWakeTimer> timer(new DZLSleepWakeTimer(environment));
  timer->registerObservers();
  return timer;
}

void DZLSleepWakeTimer::registerObservers() {
  // On the posting thread, so the assertion is gone before the process ends.
  willTerminateObserver_ = environment_.defaultCenter->addObserver(
      kApplicationWillTerminateNotification, nullptr, nullptr,
      weakly(this, [](DZLSleepWakeTimer& self) { self.invalidate(); }));
  didWakeObserver_ = environment_.workspaceCenter->addObserver(
      kDidWakeNotification, nullptr, environment_.mainQueue,
      weakly(this, [](DZLSleepWakeTimer& self) { self.handleDidWake(); }));
}

DZLSleepWakeTimer::~DZLSleepWakeTimer() {
  willTerminateObserver_.reset();
  didWakeObserver_.reset();
  cancelExpirationTimer();
  if (assertionID_ != 0) {
    (void)environment_.assertions->release(assertionID_);
    assertionID_ = 0;
  }
  if (completionBlock_) {
    environment_.mainQueue->async([completion = std::move(completionBlock_)] { completion(true); });
  }
}

void DZLSleepWakeTimer::setDelegate(std::weak_ptr<DZLSleepWakeTimerDelegate> delegate) {
  delegate_ = std::move(delegate);
}

std::string DZLSleepWakeTimer::description() const {
  // One timer keeps the computer awake; a reader of the log needs no address to tell it apart.
  return "The keep-awake timer";
}

platform::ObserverHandle DZLSleepWakeTimer::observeScheduled(
    DZLScheduledObservers::Observer observer) {
  return scheduledObservers_.add(std::move(observer));
}

bool DZLSleepWakeTimer::scheduleWithTimeInterval(double interval, Completion completion) {
  if (!std::isfinite(interval)) {
    log_.error("{} refused a time interval that is not finite.", description());
    return false;
  }
  log_.log("{} will activate with time interval {}.", description(), interval);
  if (auto delegate = delegate_.lock())
    delegate->sleepWakeTimerWillActivateWithTimeInterval(*this, interval);
  if (completion) completionBlock_ = std::move(completion);

  const std::uint64_t generation = ++scheduleGeneration_;
  cancelExpirationTimer();
  releaseHeldAssertion();

  scheduledTimeInterval_ = interval;
  fireDate_ = interval != 0 ? std::optional(environment_.clock->now() + interval) : std::nullopt;

  const platform::LockKind type = desiredAssertionType();
  const auto created = environment_.assertions->take(type, assertionName());
  lastCreateResult_ = created ? std::nullopt : std::optional(created.error());
  if (!created) {
    lastCreateFailed_ = true;
    logAssertionCreateFailureOnce(created.error());
    fireDate_.reset();
    scheduledTimeInterval_ = 0;
    notifyFinishedCancelled(true);
    return true;
  }

  lastCreateFailed_ = false;
  currentAssertionType_ = type;
  storeAssertionID(*created);
  if (interval != 0) startExpirationTimerForGeneration(generation);
  return true;
}

void DZLSleepWakeTimer::invalidate() {
  ++scheduleGeneration_;
  lastCreateFailed_ = false;
  cancelExpirationTimer();
  fireDate_.reset();
  scheduledTimeInterval_ = 0;
  releaseHeldAssertion();
  notifyFinishedCancelled(true);
}

void DZLSleepWakeTimer::storeAssertionID(platform::LockID assertionID) {
  const bool changes = (assertionID_ != 0) != (assertionID != 0);
  if (changes) scheduledObservers_.notify({true, isScheduled()});
  assertionID_ = assertionID;
  if (changes) scheduledObservers_.notify({false, isScheduled()});
}

void DZLSleepWakeTimer::releaseHeldAssertion() {
  if (assertionID_ != 0) {
    (void)environment_.assertions->release(assertionID_);
    storeAssertionID(0);
  }
  currentAssertionType_.reset();
}

void DZLSleepWakeTimer::logAssertionCreateFailureOnce(platform::LockError error) {
  createFailureLogOnce().call([this, error] {
    log_.log("Failed to create power assertion: {}", platform::lockErrorCode(error));
  });
}

void DZLSleepWakeTimer::startExpirationTimerForGeneration(std::uint64_t generation) {
  if (!fireDate_) return;
  const double remaining = fireDate_->timeIntervalSince(environment_.clock->now());
  if (remaining <= 0) {
    expireNaturally();
    return;
  }
  auto source = platform::DispatchTimerSource::make(*environment_.mainQueue);
  source->setEventHandler(weakly(this, [generation](DZLSleepWakeTimer& self) {
    if (self.scheduleGeneration_ == generation) self.expireNaturally();
  }));
  source->schedule(remaining, 0, 0, platform::DispatchTimerSource::ClockKind::Wall);
  expirationTimer_ = source;
  source->resume();
}

void DZLSleepWakeTimer::cancelExpirationTimer() {
  if (!expirationTimer_) return;
  expirationTimer_->cancel();
  expirationTimer_.reset();
}

void DZLSleepWakeTimer::expireNaturally() {
  if (assertionID_ == 0 && !completionBlock_) return;
  ++scheduleGeneration_;
  cancelExpirationTimer();
  fireDate_.reset();
  scheduledTimeInterval_ = 0;
  releaseHeldAssertion();
  notifyFinishedCancelled(false);
}

void DZLSleepWakeTimer::handleDidWake() {
  // A wall-clock timer may miss its fire during sleep; catch it here.
  environment_.mainQueue->async(weakly(this, [](DZLSleepWakeTimer& self) {
    if (!self.fireDate_) return;
    if (self.fireDate_->timeIntervalSince(self.environment_.clock->now()) <= 0)
      self.expireNaturally();
  }));
}

void DZLSleepWakeTimer::notifyFinishedCancelled(bool cancelled) {
  Completion completion = std::move(completionBlock_);
  completionBlock_ = nullptr;
  if (completion) {
    environment_.mainQueue->async(
        [completion = std::move(completion), cancelled] { completion(cancelled); });
  }
  environment_.mainQueue->async(weakly(this, [](DZLSleepWakeTimer& self) {
    if (auto delegate = self.delegate_.lock()) delegate->sleepWakeTimerDidDeactivate(self);
    self.log_.log("{} did deactivate.", self.description());
  }));
}

}  // namespace vigilix
