#include "core/dzl_event_handler.h"

#include "platform/base/shared_instances.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

namespace {

constinit platform::SharedInstance<DZLEventHandler> sharedHandler;

}  // namespace

DZLEventHandler::DZLEventHandler()
    : eventQueue_(platform::DispatchQueue::makeSerial("run.tarvo.vigilix.EventQueue")) {}

std::shared_ptr<DZLEventHandler> DZLEventHandler::defaultHandler() {
  return sharedHandler.pointer();
}

void DZLEventHandler::registerActionNamed(const std::string& name, Action action) {
  eventTable_[name] = std::make_shared<Action>(std::move(action));
}

void DZLEventHandler::removeActionNamed(const std::string& name) { eventTable_.erase(name); }

void DZLEventHandler::handleEventForURL(const std::optional<std::string>& url) {
  if (!url) return;
  // The table is only touched on the main thread; the parse happens on the
  // event queue so a slow or large address never holds up the interface.
  eventQueue_->async([weak = weak_from_this(), url = *url] {
    auto event = DZLEvent::eventForURL(url);
    if (!event) return;
    platform::onMain(weak, [url, event = std::move(*event)](DZLEventHandler& self) {
      const auto found = self.eventTable_.find(event.name);
      if (found == self.eventTable_.end()) return;
      self.log_.log("Handling event:\n{}\nfor URL: {}", event.debugDescription(), url);
      // A copy: the action may replace its own table entry.
      const auto action = found->second;
      (*action)(event);
    });
  });
}

}  // namespace vigilix
