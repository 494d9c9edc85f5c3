#include "platform/ui/accessibility.h"

#include <map>

namespace vigilix::platform {

namespace {

struct Observers {
  std::mutex mutex;
  std::size_t nextId = 1;
  std::map<std::size_t, AccessibilityCenter::Observer> byId;
};

Observers& observers() {
  static Observers* o = new Observers;  // never destroyed: posts may come late at exit
  return *o;
}

}  // namespace

AccessibilityCenter::Token::~Token() {
  auto& o = observers();
  std::lock_guard lock(o.mutex);
  o.byId.erase(id_);
}

void AccessibilityCenter::post(const View& element, AccessibilityNotification notification) {
  deliver(AccessibilityPost{&element, notification, {}, AccessibilityPriority::Medium});
}

void AccessibilityCenter::postAnnouncement(const View& element, const std::string& announcement,
                                           AccessibilityPriority priority) {
  deliver(AccessibilityPost{&element, AccessibilityNotification::AnnouncementRequested,
                            announcement, priority});
}

std::unique_ptr<AccessibilityCenter::Token> AccessibilityCenter::observe(Observer observer) {
  auto& o = observers();
  std::lock_guard lock(o.mutex);
  std::size_t id = o.nextId++;
  o.byId.emplace(id, std::move(observer));
  return std::make_unique<Token>(id);
}

void AccessibilityCenter::deliver(const AccessibilityPost& post) {
  std::vector<Observer> targets;
  {
    auto& o = observers();
    std::lock_guard lock(o.mutex);
    for (const auto& [id, observer] : o.byId) targets.push_back(observer);
  }
  for (const auto& observer : targets) observer(post);
}

}  // namespace vigilix::platform
