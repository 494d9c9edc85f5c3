#include "core/sleep_wake_timer_observers.h"

#include "platform/runloop/weakly.h"

namespace vigilix {

namespace {

class RemovingToken : public platform::ObserverToken {
 public:
  explicit RemovingToken(std::function<void()> remove) : remove_(std::move(remove)) {}
  ~RemovingToken() override { remove_(); }

 private:
  std::function<void()> remove_;
};

}  // namespace

DZLScheduledObservers::DZLScheduledObservers() : entries_(std::make_shared<Entries>()) {}

platform::ObserverHandle DZLScheduledObservers::add(Observer observer) {
  const std::uint64_t key = entries_->nextKey++;
  entries_->byKey.emplace(key, std::move(observer));
  return std::make_unique<RemovingToken>(
      platform::weakly(entries_, [key](Entries& entries) { entries.byKey.erase(key); }));
}

void DZLScheduledObservers::notify(const DZLScheduledChange& change) const {
  // A copy, so an observer may register or drop a token while being told.
  auto snapshot = entries_->byKey;
  for (const auto& [key, observer] : snapshot) {
    if (entries_->byKey.contains(key)) observer(change);
  }
}

}  // namespace vigilix
