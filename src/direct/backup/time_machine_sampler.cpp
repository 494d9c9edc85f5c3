#include "direct/backup/time_machine_sampler.h"

#include <limits>
#include <stdexcept>

#include "platform/runloop/weakly.h"

namespace vigilix {

using platform::onMain;
using platform::weakly;

namespace {
std::uint64_t nextEpoch(std::uint64_t epoch) {
  if (epoch == std::numeric_limits<std::uint64_t>::max()) {
    throw std::overflow_error("backup sampler epoch overflow");
  }
  return epoch + 1;
}
}  // namespace

std::shared_ptr<VGXTimeMachineSampler> VGXTimeMachineSampler::make(
    std::shared_ptr<const VGXCommandRunning> runner, double interval) {
  return std::shared_ptr<VGXTimeMachineSampler>(
      new VGXTimeMachineSampler(std::move(runner), interval));
}

VGXTimeMachineSampler::VGXTimeMachineSampler(std::shared_ptr<const VGXCommandRunning> runner,
                                             double interval)
    : runner_(std::move(runner)),
      interval_(interval),
      queue_(platform::DispatchQueue::makeSerial("vigilix.time-machine")) {}

void VGXTimeMachineSampler::setOnChange(ChangeHandler handler) {
  std::lock_guard guard(lock_);
  onChange_ = std::move(handler);
}

bool VGXTimeMachineSampler::isStarted() const {
  std::lock_guard guard(lock_);
  return timer_ != nullptr;
}

void VGXTimeMachineSampler::start() {
  std::shared_ptr<platform::DispatchTimerSource> timer;
  {
    std::lock_guard guard(lock_);
    if (timer_) return;
    epoch_ = nextEpoch(epoch_);
    lastState_.reset();
    timer = platform::DispatchTimerSource::make(*queue_);
    timer->schedule(0, interval(), 0);
    timer->setEventHandler(weakly(this, [](VGXTimeMachineSampler& sampler) { sampler.sample(); }));
    timer_ = timer;
  }
  timer->resume();
}

void VGXTimeMachineSampler::stop() {
  std::lock_guard guard(lock_);
  epoch_ = nextEpoch(epoch_);
  if (timer_) timer_->cancel();
  timer_.reset();
  lastState_.reset();
}

void VGXTimeMachineSampler::sample() {
  std::uint64_t epoch = 0;
  {
    std::lock_guard guard(lock_);
    epoch = epoch_;
  }
  const auto result = runner_->run(VGXTimeMachineParser::kExecutable,
                                   VGXTimeMachineParser::arguments(), kCommandTimeout);
  // A lister that cannot be started is reported like any other failure; the
  // timer keeps running so that a later reading can mend it.
  const VGXTimeMachineState state =
      result ? VGXTimeMachineParser::state(*result)
             : VGXTimeMachineState::unknown("cannot start: " + result.error());
  deliver(state, epoch);
}

void VGXTimeMachineSampler::deliver(const VGXTimeMachineState& state, std::uint64_t epoch) {
  {
    std::lock_guard guard(lock_);
    if (epoch != epoch_ || lastState_ == state) return;
    lastState_ = state;
  }
  onMain(this, [state, epoch](VGXTimeMachineSampler& sampler) {
    ChangeHandler handler;
    {
      std::lock_guard guard(sampler.lock_);
      if (sampler.epoch_ != epoch) return;
      handler = sampler.onChange_;
    }
    if (handler) handler(state);
  });
}

}  // namespace vigilix
