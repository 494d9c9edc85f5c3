#include "policy/policy_observable.h"

#include <map>

#include "platform/base/shared_instances.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

struct VGXPolicyObservable::Observers {
  std::uint64_t nextKey = 1;
  std::map<std::uint64_t, EpochObserver> byKey;
};

namespace {

class EpochToken : public platform::ObserverToken {
 public:
  EpochToken(std::weak_ptr<void> owner, std::function<void()> remove)
      : owner_(std::move(owner)), remove_(std::move(remove)) {}
  ~EpochToken() override {
    if (!owner_.expired()) remove_();
  }

 private:
  std::weak_ptr<void> owner_;
  std::function<void()> remove_;
};

constinit platform::SharedInstance<VGXPolicyObservable> sharedObservable{[] {
  return VGXPolicyObservable::make(platform::NotificationCenter::defaultCenter(),
                                   platform::DispatchQueue::main());
}};

}  // namespace

VGXPolicyObservable::VGXPolicyObservable(platform::NotificationCenter& center,
                                         platform::DispatchQueue& mainQueue)
    : center_(center), mainQueue_(mainQueue), observers_(std::make_shared<Observers>()) {}

std::shared_ptr<VGXPolicyObservable> VGXPolicyObservable::make(platform::NotificationCenter& center,
                                                               platform::DispatchQueue& mainQueue) {
  return std::shared_ptr<VGXPolicyObservable>(new VGXPolicyObservable(center, mainQueue));
}

VGXPolicyObservable& VGXPolicyObservable::shared() { return sharedObservable.get(); }

void VGXPolicyObservable::noteChange() {
  if (!platform::DispatchQueue::isMainThread()) {
    mainQueue_.async(platform::weakly(this, &VGXPolicyObservable::noteChange));
    return;
  }
  ++epoch_;
  // Copied so an observer may register or unregister while being told.
  auto observers = observers_->byKey;
  for (auto& [key, observer] : observers) {
    if (observers_->byKey.contains(key)) observer(epoch_);
  }
  center_.post(kVGXPolicyDidChangeNotification);
}

platform::ObserverHandle VGXPolicyObservable::observeEpoch(EpochObserver observer) {
  const std::uint64_t key = observers_->nextKey++;
  observers_->byKey.emplace(key, std::move(observer));
  return std::make_unique<EpochToken>(
      observers_,
      platform::weakly(observers_, [key](Observers& observers) { observers.byKey.erase(key); }));
}

}  // namespace vigilix
