#include "closedlid/client_scheduling.h"

#include "platform/runloop/dispatch_queue.h"

namespace vigilix {
namespace {

class DispatchCancel final : public VGXCancellable {
 public:
  explicit DispatchCancel(std::shared_ptr<platform::DispatchTimerSource> source)
      : source_(std::move(source)) {}
  ~DispatchCancel() override { cancel(); }
  void cancel() override { source_->cancel(); }

 private:
  std::shared_ptr<platform::DispatchTimerSource> source_;
};

}  // namespace

std::unique_ptr<VGXCancellable> MainClientScheduler::schedule(int seconds, bool repeats,
                                                              std::function<void()> handler) {
  auto source = platform::DispatchTimerSource::make(platform::DispatchQueue::main());
  source->schedule(seconds, repeats ? seconds : 0, 0);
  source->setEventHandler(std::move(handler));
  source->resume();
  return std::make_unique<DispatchCancel>(std::move(source));
}

}  // namespace vigilix
