#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/locale/calendar.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/dispatch_queue.h"
#include "triggers/system_sample.h"
#include "triggers/trigger_configuration.h"
#include "triggers/trigger_decision.h"
#include "triggers/trigger_engine.h"

namespace vigilix {

// Runs the automatic rules: every 5 s, and at once when an application
// launches or quits, the displays change or the power source changes, it
// samples the machine on its own serial queue, evaluates the sample and hands
// a changed decision to `onChange` on the main queue. Owned by a shared_ptr:
// every callback holds it weakly and does nothing once it is gone.
class TriggerMonitor : public std::enable_shared_from_this<TriggerMonitor> {
 public:
  using ChangeHandler = std::function<void(const TriggerDecision&)>;
  using ConfigurationProvider = std::function<TriggerConfiguration()>;

  static constexpr const char* kQueueLabel = "run.tarvo.vigilix.TriggerMonitor";
  static constexpr double kInterval = 5.0;

  // `queue` null: a new serial queue labelled kQueueLabel.
  static std::shared_ptr<TriggerMonitor> make(std::shared_ptr<SystemSampling> sampler,
                                              TriggerConfiguration configuration,
                                              platform::Calendar calendar,
                                              ConfigurationProvider configurationProvider,
                                              ChangeHandler onChange,
                                              std::shared_ptr<platform::DispatchQueue> queue = {});
  ~TriggerMonitor();
  TriggerMonitor(const TriggerMonitor&) = delete;
  TriggerMonitor& operator=(const TriggerMonitor&) = delete;

  // Any thread; the work is done on the main thread. A start asked for off
  // the main thread does nothing when a stop came in before it got there.
  void start();
  void stop();
  void updateConfiguration(TriggerConfiguration configuration);
  void requestEvaluation();

  // The latest evaluated decision; (false, []) until the first evaluation.
  TriggerDecision storedDecision() const;

  ChangeHandler onChange() const;
  void setOnChange(ChangeHandler onChange);

  platform::DispatchQueue& queue() const { return *queue_; }

 private:
  TriggerMonitor(std::shared_ptr<SystemSampling> sampler, TriggerConfiguration configuration,
                 platform::Calendar calendar, ConfigurationProvider configurationProvider,
                 ChangeHandler onChange, std::shared_ptr<platform::DispatchQueue> queue);

  // On the queue.
  void armTimer();
  void cancelTimer();
  void tick();
  // On the main queue. `askedAt`: the epoch when a start from another thread
  // was asked for.
  void startOnMain(std::optional<std::uint64_t> askedAt);
  void deliver(std::uint64_t epoch, const TriggerDecision& decision);
  void requestEvaluationOnMain();
  void installObservers();
  void removeObservers();

  // Posts `work` to the queue, holding the monitor weakly.
  void onQueue(std::function<void(TriggerMonitor&)> work);

  ChangeHandler onChange_;
  std::shared_ptr<SystemSampling> sampler_;
  TriggerEngine engine_;
  std::shared_ptr<platform::DispatchQueue> queue_;
  ConfigurationProvider configurationProvider_;
  mutable std::mutex stateLock_;
  std::shared_ptr<platform::DispatchTimerSource> timer_;
  std::optional<TriggerDecision> lastDecision_;
  TriggerDecision storedDecision_;
  std::vector<platform::ObserverHandle> workspaceObservers_;
  std::vector<platform::ObserverHandle> notificationObservers_;
  platform::ObserverHandle powerSourceRunLoopSource_;
  bool started_ = false;
  std::uint64_t epoch_ = 0;
};

}  // namespace vigilix
