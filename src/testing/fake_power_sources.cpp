#include "testing/fake_power_sources.h"

#include <algorithm>

namespace vigilix::testing {

using platform::PowerSourceReading;

struct FakePowerSources::Registry {
  std::uint64_t nextKey = 1;
  std::vector<std::pair<std::uint64_t, Observer>> observers;
  // Deliveries waiting on the run loop; kept so the timers live until they fire.
  std::vector<std::shared_ptr<platform::Timer>> pending;

  bool contains(std::uint64_t key) const {
    return std::any_of(observers.begin(), observers.end(),
                       [key](const auto& entry) { return entry.first == key; });
  }
};

namespace {

class ChangeToken : public platform::ObserverToken {
 public:
  ChangeToken(std::weak_ptr<void> registry, std::function<void()> remove)
      : registry_(std::move(registry)), remove_(std::move(remove)) {}
  ~ChangeToken() override {
    if (!registry_.expired()) remove_();
  }

 private:
  std::weak_ptr<void> registry_;
  std::function<void()> remove_;
};

}  // namespace

FakePowerSources::FakePowerSources()
    : readings_(std::vector<PowerSourceReading>{}),
      providingType_(std::string(platform::kPowerSourceACPower)),
      registry_(std::make_shared<Registry>()) {}

FakePowerSources::~FakePowerSources() {
  for (auto& timer : registry_->pending) timer->invalidate();
}

std::optional<std::vector<PowerSourceReading>> FakePowerSources::readPowerSources() const {
  return readings_;
}

std::optional<std::string> FakePowerSources::providingPowerSourceType() const {
  return providingType_;
}

platform::ObserverHandle FakePowerSources::addChangeObserver(platform::RunLoopMode mode,
                                                             std::function<void()> handler) {
  if (creationFails_) return nullptr;
  const std::uint64_t key = registry_->nextKey++;
  registry_->observers.emplace_back(key, Observer{mode, std::move(handler)});
  std::weak_ptr<Registry> weak = registry_;
  return std::make_unique<ChangeToken>(registry_, [weak, key] {
    if (auto registry = weak.lock()) {
      std::erase_if(registry->observers, [key](const auto& entry) { return entry.first == key; });
    }
  });
}

void FakePowerSources::setReadings(std::optional<std::vector<PowerSourceReading>> readings) {
  readings_ = std::move(readings);
}

void FakePowerSources::setProvidingPowerSourceType(std::optional<std::string> type) {
  providingType_ = std::move(type);
}

void FakePowerSources::setChangeSourceCreationFails(bool fails) { creationFails_ = fails; }

void FakePowerSources::notifyChange() {
  std::weak_ptr<Registry> weak = registry_;
  for (const auto& [key, observer] : registry_->observers) {
    auto timer = platform::RunLoop::main().scheduleTimer(
        0, false,
        [weak, key = key](platform::Timer& fired) {
          auto registry = weak.lock();
          if (!registry) return;
          std::erase_if(registry->pending, [&fired](const auto& t) { return t.get() == &fired; });
          // The observer may have gone while the delivery waited.
          for (const auto& entry : registry->observers) {
            if (entry.first == key) {
              auto handler = entry.second.handler;
              handler();
              return;
            }
          }
        },
        observer.mode);
    registry_->pending.push_back(std::move(timer));
  }
}

void FakePowerSources::change(std::vector<PowerSourceReading> readings, std::string providingType) {
  readings_ = std::move(readings);
  providingType_ = std::move(providingType);
  notifyChange();
}

std::size_t FakePowerSources::observerCount() const { return registry_->observers.size(); }

PowerSourceReading FakePowerSources::internalBattery(std::int64_t currentCapacity,
                                                     std::int64_t maxCapacity, bool onBattery,
                                                     bool isCharging, bool isCharged) {
  return PowerSourceReading{.kind = PowerSourceReading::Kind::internalBattery,
                            .onBattery = onBattery,
                            .isCharging = isCharging,
                            .isCharged = isCharged,
                            .currentCapacity = currentCapacity,
                            .maxCapacity = maxCapacity};
}

}  // namespace vigilix::testing
