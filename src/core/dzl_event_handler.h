#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/dzl_event.h"
#include "platform/base/logger.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix {

// Runs the action registered under an event's name for each address of the
// application's URL scheme. Addresses are parsed one at a time, in arrival
// order, on a serial queue; each action then runs on the main queue, in the
// same order. Register actions on the main thread before addresses arrive.
// Owned by a shared_ptr: queued work holds it weakly.
class DZLEventHandler : public std::enable_shared_from_this<DZLEventHandler> {
 public:
  using Action = std::function<void(const DZLEvent&)>;

  DZLEventHandler();

  // The application's one handler, made on first use.
  static std::shared_ptr<DZLEventHandler> defaultHandler();

  // Stores or replaces the action for `name`.
  void registerActionNamed(const std::string& name, Action action);
  void removeActionNamed(const std::string& name);

  // Nothing for none or an address that does not parse; an unknown name is
  // ignored without a log line.
  void handleEventForURL(const std::optional<std::string>& url);

 private:
  std::shared_ptr<platform::DispatchQueue> eventQueue_;
  std::map<std::string, std::shared_ptr<Action>> eventTable_;
  platform::Logger log_{"ApplicationEvents"};
};

}  // namespace vigilix
