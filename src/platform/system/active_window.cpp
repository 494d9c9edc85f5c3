#include "platform/system/active_window.h"

#include "platform/base/current_instance.h"

namespace vigilix::platform {

namespace {

// Without a window system that says which window is active, none is.
class NoActiveWindow final : public ActiveWindowOwner {
 public:
  std::optional<std::int32_t> processIdentifier() override { return std::nullopt; }
};

constinit CurrentInstance<ActiveWindowOwner> currentOwner{
    &processLifetimeInstance<ActiveWindowOwner, NoActiveWindow>};

}  // namespace

ActiveWindowOwner& ActiveWindowOwner::current() { return currentOwner.get(); }

ActiveWindowOwner* ActiveWindowOwner::setCurrent(ActiveWindowOwner* owner) {
  return currentOwner.install(owner);
}

}  // namespace vigilix::platform
