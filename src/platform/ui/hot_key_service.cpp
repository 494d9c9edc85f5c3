#include "platform/ui/hot_key_service.h"

#include "platform/base/current_instance.h"

namespace vigilix::platform {

namespace {

constinit CurrentInstance<HotKeyService> currentService{
    &processLifetimeInstance<HotKeyService, InProcessHotKeyService>};

}  // namespace

HotKeyService& HotKeyService::current() { return currentService.get(); }

void HotKeyService::setCurrent(HotKeyService* service) { currentService.install(service); }

std::expected<EventHotKeyRef, OSStatus> InProcessHotKeyService::registerEventHotKey(
    std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID identity) {
  if (keyCode > 0xFFFF) return std::unexpected(kEventHotKeyInvalidErr);
  std::lock_guard lock(mutex_);
  for (const auto& [ref, reg] : hotKeys_) {
    if (reg.keyCode == keyCode && reg.modifiers == modifiers) {
      return std::unexpected(kEventHotKeyExistsErr);
    }
  }
  if (isTakenElsewhere(keyCode, modifiers)) return std::unexpected(kEventHotKeyExistsErr);
  EventHotKeyRef ref = nextRef_++;
  hotKeys_.emplace(ref, Registration{keyCode, modifiers, identity});
  return ref;
}

OSStatus InProcessHotKeyService::unregisterEventHotKey(EventHotKeyRef ref) {
  std::lock_guard lock(mutex_);
  return hotKeys_.erase(ref) ? kNoErr : kEventHotKeyInvalidErr;
}

std::expected<EventHandlerRef, OSStatus> InProcessHotKeyService::installEventHandler(
    std::vector<EventTypeSpec> types, Handler handler) {
  if (!handler || types.empty()) return std::unexpected(kParamErr);
  std::lock_guard lock(mutex_);
  EventHandlerRef ref = nextRef_++;
  handlers_.emplace(ref, InstalledHandler{std::move(types), std::move(handler)});
  return ref;
}

OSStatus InProcessHotKeyService::removeEventHandler(EventHandlerRef ref) {
  std::lock_guard lock(mutex_);
  return handlers_.erase(ref) ? kNoErr : kParamErr;
}

bool InProcessHotKeyService::deliverPress(std::uint32_t keyCode, std::uint32_t modifiers) {
  const EventTypeSpec pressed{kEventClassKeyboard, kEventHotKeyPressed};
  std::optional<HotKeyEvent> event;
  std::vector<Handler> targets;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [ref, reg] : hotKeys_) {
      if (reg.keyCode == keyCode && reg.modifiers == modifiers) {
        event = HotKeyEvent{pressed, reg.identity};
        break;
      }
    }
    if (!event) return false;
    for (const auto& [ref, installedHandler] : handlers_) {
      for (const auto& type : installedHandler.types) {
        if (type == pressed) {
          targets.push_back(installedHandler.handler);
          break;
        }
      }
    }
  }
  // Outside the lock: a handler may register or unregister.
  for (const auto& handler : targets) handler(*event);
  return true;
}

std::vector<InProcessHotKeyService::Registration> InProcessHotKeyService::registrations() const {
  std::lock_guard lock(mutex_);
  std::vector<Registration> out;
  for (const auto& [ref, reg] : hotKeys_) out.push_back(reg);
  return out;
}

std::size_t InProcessHotKeyService::handlerCount() const {
  std::lock_guard lock(mutex_);
  return handlers_.size();
}

bool InProcessHotKeyService::isTakenElsewhere(std::uint32_t, std::uint32_t) const { return false; }

}  // namespace vigilix::platform
