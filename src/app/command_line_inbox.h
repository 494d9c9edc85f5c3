#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/observer_token.h"
#include "platform/notifications/notification_center.h"

namespace vigilix {

// The command-line tool's requests, heard from before the application owns
// its bus name. The tool posts as soon as the name has an owner and waits
// for one answer, so a request heard before the hub listens is kept and
// handed over once it does. Main thread.
class CommandLineInbox : public std::enable_shared_from_this<CommandLineInbox> {
 public:
  using Request = std::function<void(const std::optional<std::string>& text)>;

  // More than the tools of one login start at once; beyond it a request is dropped.
  static constexpr std::size_t maxKept = 256;

  // Observes from now on, on `center`.
  static std::shared_ptr<CommandLineInbox> open(platform::DistributedNotificationCenter& center);

  // The requests kept so far, in arrival order, then each new one, go to
  // `request` until the handle goes; the kept ones from the main queue, so
  // that whoever listens finishes starting first.
  [[nodiscard]] platform::ObserverHandle listen(Request request);

 private:
  class Listening;

  void arrived(const std::optional<std::string>& text);
  void handOver();

  platform::ObserverHandle observer_;
  std::deque<std::optional<std::string>> kept_;
  Request request_;
  bool handedOver_ = false;  // the kept ones have gone to `request_`
};

}  // namespace vigilix
