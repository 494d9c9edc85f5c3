#include "settings/triggers/triggers_settings_hub.h"

#include "hub/trigger_bridge.h"

namespace vigilix {

namespace {

class BridgeHub final : public TriggersSettingsHub {
 public:
  explicit BridgeHub(std::weak_ptr<VGXTriggerBridge> hub) : hub_(std::move(hub)) {}

  void reloadConfiguration() override {
    if (auto hub = hub_.lock()) hub->reloadConfiguration();
  }
  void setAutomationEnabled(bool enabled) override {
    if (auto hub = hub_.lock()) hub->setAutomationEnabled(enabled);
  }
  bool watchFileAt(const std::string& path) override {
    auto hub = hub_.lock();
    return hub && hub->watchFileAt(path);
  }
  TriggerPause pause() const override {
    auto hub = hub_.lock();
    return hub ? hub->snapshot().pause : TriggerPause::none();
  }
  std::vector<TriggerReason> currentReasons() const override {
    auto hub = hub_.lock();
    return hub ? hub->controller().reasons() : std::vector<TriggerReason>{};
  }
  StatusTextContext statusTextContext() const override {
    if (auto hub = hub_.lock()) return hub->statusTextContext();
    return StatusTextContext{};
  }
  std::vector<Watch> activeWatches() const override {
    auto hub = hub_.lock();
    return hub ? hub->activeWatches() : std::vector<Watch>{};
  }
  void stopWatch(const std::string& idString) override {
    if (auto hub = hub_.lock()) hub->cancelWatchWithIDString(idString);
  }
  bool watchApp(std::int32_t processIdentifier) override {
    auto hub = hub_.lock();
    return hub && hub->watchAppWithProcessIdentifier(processIdentifier);
  }

 private:
  std::weak_ptr<VGXTriggerBridge> hub_;
};

}  // namespace

std::shared_ptr<TriggersSettingsHub> makeTriggersSettingsHub(std::weak_ptr<VGXTriggerBridge> hub) {
  return std::make_shared<BridgeHub>(std::move(hub));
}

std::shared_ptr<TriggersSettingsHub> makeSharedTriggersSettingsHub() {
  return makeTriggersSettingsHub(VGXTriggerBridge::sharedPointer());
}

}  // namespace vigilix
