#include "policy/policy_observable.h"

#include <map>

#include "platform/base/shared_instances.h"

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
    std::weak_ptr<VGXPolicyObservable> weak = weak_from_this();
    mainQueue_.async([weak] {
      if (auto self = weak.lock()) self->noteChange();
    });
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
  std::weak_ptr<Observers> weak = observers_;
  return std::make_unique<EpochToken>(observers_, [weak, key] {
    if (auto observers = weak.lock()) observers->byKey.erase(key);
  });
}

}  // namespace vigilix
