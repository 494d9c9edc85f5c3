#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "direct/backup/command_runner.h"
#include "direct/backup/time_machine_state.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix {

// Looks at the process table at a fixed interval on a serial queue of its own
// and hands each new state to the main queue. Every start and stop opens a new
// epoch: a reading taken in an older one never reaches `onChange`.
class VGXTimeMachineSampler : public std::enable_shared_from_this<VGXTimeMachineSampler> {
 public:
  static constexpr double kDefaultInterval = 60.0;
  static constexpr double kCommandTimeout = 10.0;
  using ChangeHandler = std::function<void(const VGXTimeMachineState&)>;

  static std::shared_ptr<VGXTimeMachineSampler> make(
      std::shared_ptr<const VGXCommandRunning> runner, double interval);

  // Set before the first start; called on the main queue.
  void setOnChange(ChangeHandler handler);
  // Samples at once and then every interval; a running sampler keeps running.
  void start();
  void stop();
  bool isStarted() const;
  double interval() const { return interval_ > 0 ? interval_ : kDefaultInterval; }

  // One reading, as the timer takes it.
  void sample();
  // Drops a state of an older epoch or equal to the last one delivered.
  void deliver(const VGXTimeMachineState& state, std::uint64_t epoch);

 private:
  VGXTimeMachineSampler(std::shared_ptr<const VGXCommandRunning> runner, double interval);

  ChangeHandler onChange_;
  std::shared_ptr<const VGXCommandRunning> runner_;
  double interval_;
  std::shared_ptr<platform::DispatchQueue> queue_;
  mutable std::mutex lock_;
  std::shared_ptr<platform::DispatchTimerSource> timer_;
  std::optional<VGXTimeMachineState> lastState_;
  std::uint64_t epoch_ = 0;
};

}  // namespace vigilix
