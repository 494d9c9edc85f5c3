#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "platform/notifications/notification_center.h"

namespace vigilix {

// A change of a timer's `scheduled` value: told once before the change
// (`isPrior`, with the old value) and once after it (with the new value).
struct DZLScheduledChange {
  bool isPrior = false;
  bool scheduled = false;
  bool operator==(const DZLScheduledChange&) const = default;
};

// The observers of `scheduled`. Registration hands out a token whose
// destruction unregisters; tokens may outlive the list.
class DZLScheduledObservers {
 public:
  using Observer = std::function<void(const DZLScheduledChange&)>;

  DZLScheduledObservers();
  [[nodiscard]] platform::ObserverHandle add(Observer observer);
  void notify(const DZLScheduledChange& change) const;

 private:
  struct Entries {
    std::uint64_t nextKey = 1;
    std::map<std::uint64_t, Observer> byKey;
  };
  std::shared_ptr<Entries> entries_;
};

}  // namespace vigilix
