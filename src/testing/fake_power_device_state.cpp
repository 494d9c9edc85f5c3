#include "testing/fake_power_device_state.h"

#include <utility>

#include "platform/notifications/notification_center.h"

namespace vigilix::testing {

void FakeLowPowerMode::setLowPowerModeEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  platform::NotificationCenter::defaultCenter().post(platform::kPowerStateDidChangeNotification);
}

void FakeThermalMonitor::setThermalState(platform::ThermalState state) {
  if (state == state_) return;
  state_ = state;
  platform::NotificationCenter::defaultCenter().post(platform::kThermalStateDidChangeNotification);
}

namespace {

class FollowerToken final : public platform::ObserverToken {
 public:
  explicit FollowerToken(std::shared_ptr<int> count) : count_(std::move(count)) { ++*count_; }
  ~FollowerToken() override { --*count_; }

 private:
  std::shared_ptr<int> count_;
};

}  // namespace

platform::ObserverHandle FakeThermalMonitor::followChanges(platform::ThermalState) {
  return std::make_unique<FollowerToken>(followers_);
}

}  // namespace vigilix::testing
