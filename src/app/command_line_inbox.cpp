#include "app/command_line_inbox.h"

#include <utility>

#include "agents/cli_protocol.h"
#include "platform/base/logger.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix {

class CommandLineInbox::Listening final : public platform::ObserverToken {
 public:
  explicit Listening(std::shared_ptr<CommandLineInbox> inbox) : inbox_(std::move(inbox)) {}
  ~Listening() override { inbox_->request_ = nullptr; }

 private:
  std::shared_ptr<CommandLineInbox> inbox_;
};

std::shared_ptr<CommandLineInbox> CommandLineInbox::open(
    platform::DistributedNotificationCenter& center) {
  auto inbox = std::make_shared<CommandLineInbox>();
  inbox->observer_ =
      center.addObserver(std::string(VGXCLIProtocol::requestNotification),
                         [weak = std::weak_ptr<CommandLineInbox>(inbox)](
                             const std::string&, const std::optional<std::string>& text) {
                           if (auto inbox = weak.lock()) inbox->arrived(text);
                         });
  return inbox;
}

platform::ObserverHandle CommandLineInbox::listen(Request request) {
  request_ = std::move(request);
  handedOver_ = false;
  platform::DispatchQueue::main().async([weak = weak_from_this()] {
    if (auto inbox = weak.lock()) inbox->handOver();
  });
  return std::make_unique<Listening>(shared_from_this());
}

void CommandLineInbox::arrived(const std::optional<std::string>& text) {
  // Until the kept ones have gone, a new one waits behind them.
  if (handedOver_ && request_) {
    const Request request = request_;  // the call may end the listening
    request(text);
    return;
  }
  if (kept_.size() >= maxKept) {
    static const platform::Logger log{"Application"};
    log.error("A request of the command-line tool is dropped: {} wait already.", maxKept);
    return;
  }
  kept_.push_back(text);
}

void CommandLineInbox::handOver() {
  // One that comes while these are handed over (a nested loop) joins the end.
  while (!kept_.empty() && request_) {
    auto text = std::move(kept_.front());
    kept_.pop_front();
    const Request request = request_;
    request(text);
  }
  handedOver_ = request_ != nullptr;
}

}  // namespace vigilix
