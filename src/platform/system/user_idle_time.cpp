#include "platform/system/user_idle_time.h"

#include "platform/base/current_instance.h"

namespace vigilix::platform {

namespace {

class NoIdleTime final : public UserIdleTime {
 public:
  std::optional<double> secondsSinceLastInput() override { return std::nullopt; }
};

constinit CurrentInstance<UserIdleTime> currentIdleTime{
    &processLifetimeInstance<UserIdleTime, NoIdleTime>};

}  // namespace

UserIdleTime& UserIdleTime::current() { return currentIdleTime.get(); }

UserIdleTime* UserIdleTime::setCurrent(UserIdleTime* idleTime) {
  return currentIdleTime.install(idleTime);
}

}  // namespace vigilix::platform
