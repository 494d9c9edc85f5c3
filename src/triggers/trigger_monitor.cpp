#include "triggers/trigger_monitor.h"

#include <utility>

#include "platform/power/power_sources.h"
#include "platform/runloop/run_loop.h"
#include "platform/runloop/weakly.h"
#include "platform/system/workspace_notifications.h"

namespace vigilix {

using platform::DispatchQueue;
using platform::NotificationCenter;
using platform::onMain;
using platform::weakly;

std::shared_ptr<TriggerMonitor> TriggerMonitor::make(
    std::shared_ptr<SystemSampling> sampler, TriggerConfiguration configuration,
    platform::Calendar calendar, ConfigurationProvider configurationProvider,
    ChangeHandler onChange, std::shared_ptr<platform::DispatchQueue> queue) {
  if (!queue) queue = DispatchQueue::makeSerial(kQueueLabel);
  return std::shared_ptr<TriggerMonitor>(
      new TriggerMonitor(std::move(sampler), std::move(configuration), std::move(calendar),
                         std::move(configurationProvider), std::move(onChange), std::move(queue)));
}

TriggerMonitor::TriggerMonitor(std::shared_ptr<SystemSampling> sampler,
                               TriggerConfiguration configuration, platform::Calendar calendar,
                               ConfigurationProvider configurationProvider, ChangeHandler onChange,
                               std::shared_ptr<platform::DispatchQueue> queue)
    : onChange_(std::move(onChange)),
      sampler_(std::move(sampler)),
      engine_(std::move(configuration), std::move(calendar)),
      queue_(std::move(queue)),
      configurationProvider_(std::move(configurationProvider)) {}

TriggerMonitor::~TriggerMonitor() {
  cancelTimer();
  removeObservers();
}

void TriggerMonitor::start() {
  if (!DispatchQueue::isMainThread()) {
    std::uint64_t askedAt = 0;
    {
      std::lock_guard lock(stateLock_);
      askedAt = epoch_;
    }
    onMain(this, [askedAt](TriggerMonitor& self) { self.startOnMain(askedAt); });
    return;
  }
  startOnMain(std::nullopt);
}

void TriggerMonitor::startOnMain(std::optional<std::uint64_t> askedAt) {
  {
    std::lock_guard lock(stateLock_);
    if (started_) return;
    // A stop that came after this start was asked for wins.
    if (askedAt && *askedAt != epoch_) return;
    started_ = true;
    ++epoch_;
  }
  onQueue([](TriggerMonitor& monitor) {
    monitor.armTimer();
    // The first decision after a start is always published, also when the
    // queue part of a stop from another thread has not run yet.
    monitor.lastDecision_.reset();
    monitor.tick();
  });
  installObservers();
}

void TriggerMonitor::stop() {
  std::uint64_t stoppedEpoch = 0;
  {
    std::lock_guard lock(stateLock_);
    started_ = false;
    stoppedEpoch = ++epoch_;
  }
  platform::runOnMain(weakly(this, [stoppedEpoch](TriggerMonitor& self) {
    {
      // Started again (or stopped again) before this ran: the timer and
      // observers now belong to that later call.
      std::lock_guard lock(self.stateLock_);
      if (self.epoch_ != stoppedEpoch) return;
    }
    self.onQueue([](TriggerMonitor& monitor) {
      monitor.cancelTimer();
      // So the first decision after a restart is published even if unchanged.
      monitor.lastDecision_.reset();
    });
    self.removeObservers();
  }));
}

void TriggerMonitor::updateConfiguration(TriggerConfiguration configuration) {
  if (!DispatchQueue::isMainThread()) {
    onMain(this, [configuration](TriggerMonitor& self) mutable {
      self.updateConfiguration(std::move(configuration));
    });
    return;
  }
  onQueue([configuration = std::move(configuration)](TriggerMonitor& monitor) {
    // An equal configuration keeps the sustain state of the threshold rules.
    if (monitor.engine_.configuration() != configuration) {
      monitor.engine_.setConfiguration(configuration);
    }
    // tick evaluates only while started.
    monitor.tick();
  });
}

void TriggerMonitor::requestEvaluation() {
  if (!DispatchQueue::isMainThread()) {
    onMain(this, [](TriggerMonitor& self) { self.requestEvaluationOnMain(); });
    return;
  }
  requestEvaluationOnMain();
}

void TriggerMonitor::requestEvaluationOnMain() {
  onQueue([](TriggerMonitor& monitor) { monitor.tick(); });
}

TriggerDecision TriggerMonitor::storedDecision() const {
  std::lock_guard lock(stateLock_);
  return storedDecision_;
}

TriggerMonitor::ChangeHandler TriggerMonitor::onChange() const {
  std::lock_guard lock(stateLock_);
  return onChange_;
}

void TriggerMonitor::setOnChange(ChangeHandler onChange) {
  std::lock_guard lock(stateLock_);
  onChange_ = std::move(onChange);
}

void TriggerMonitor::onQueue(std::function<void(TriggerMonitor&)> work) {
  queue_->async(weakly(this, std::move(work)));
}

void TriggerMonitor::armTimer() {
  cancelTimer();
  timer_ = platform::DispatchTimerSource::make(*queue_);
  timer_->schedule(kInterval, kInterval, 0);
  timer_->setEventHandler(weakly(this, [](TriggerMonitor& self) { self.tick(); }));
  timer_->resume();
}

void TriggerMonitor::cancelTimer() {
  if (!timer_) return;
  timer_->cancel();
  timer_.reset();
}

void TriggerMonitor::tick() {
  std::uint64_t epoch = 0;
  {
    std::lock_guard lock(stateLock_);
    if (!started_) return;
    epoch = epoch_;
  }
  if (configurationProvider_) {
    TriggerConfiguration configuration = configurationProvider_();
    if (configuration != engine_.configuration()) {
      engine_.setConfiguration(std::move(configuration));
    }
  }
  const SystemSample sample =
      sampler_->sample(SampleInputs::forConfiguration(engine_.configuration()));
  TriggerDecision decision = engine_.evaluate(sample);
  {
    std::lock_guard lock(stateLock_);
    storedDecision_ = decision;
  }
  if (lastDecision_ && *lastDecision_ == decision) return;
  lastDecision_ = decision;
  onMain(this, [epoch, decision = std::move(decision)](TriggerMonitor& self) {
    self.deliver(epoch, decision);
  });
}

void TriggerMonitor::deliver(std::uint64_t epoch, const TriggerDecision& decision) {
  ChangeHandler handler;
  {
    std::lock_guard lock(stateLock_);
    // A decision from before a stop or restart is stale.
    if (!started_ || epoch_ != epoch) return;
    handler = onChange_;
  }
  if (handler) handler(decision);
}

void TriggerMonitor::installObservers() {
  removeObservers();
  const auto evaluate = weakly(this, [](TriggerMonitor& self) { self.requestEvaluationOnMain(); });
  NotificationCenter& workspace = NotificationCenter::workspaceCenter();
  workspaceObservers_.push_back(workspace.addObserver(
      platform::kWorkspaceDidLaunchApplicationNotification, nullptr, nullptr, evaluate));
  workspaceObservers_.push_back(workspace.addObserver(
      platform::kWorkspaceDidTerminateApplicationNotification, nullptr, nullptr, evaluate));
  notificationObservers_.push_back(NotificationCenter::defaultCenter().addObserver(
      platform::kApplicationDidChangeScreenParametersNotification, nullptr, nullptr, evaluate));

  // Without the source the 5 s timer still catches a change of power source.
  powerSourceRunLoopSource_ = platform::PowerSources::current().addChangeObserver(
      platform::RunLoopMode::Default,
      weakly(this, [](TriggerMonitor& self) { self.requestEvaluation(); }));
}

void TriggerMonitor::removeObservers() {
  workspaceObservers_.clear();
  notificationObservers_.clear();
  if (!powerSourceRunLoopSource_) return;
  // The source belongs to the main run loop: invalidate it there.
  platform::runOnMain([source = std::shared_ptr<platform::ObserverToken>(
                           std::move(powerSourceRunLoopSource_))]() mutable { source.reset(); });
}

}  // namespace vigilix
