#include "testing/fake_hot_keys.h"

namespace vigilix::testing {

FakeHotKeys::FakeHotKeys() : previous_(&platform::HotKeyService::current()) {
  platform::HotKeyService::setCurrent(this);
}

FakeHotKeys::~FakeHotKeys() { platform::HotKeyService::setCurrent(previous_); }

void FakeHotKeys::takeElsewhere(std::uint32_t keyCode, std::uint32_t modifiers) {
  std::lock_guard lock(mutex_);
  takenElsewhere_.emplace(keyCode, modifiers);
}

void FakeHotKeys::releaseElsewhere(std::uint32_t keyCode, std::uint32_t modifiers) {
  std::lock_guard lock(mutex_);
  takenElsewhere_.erase({keyCode, modifiers});
}

bool FakeHotKeys::isRegistered(std::uint32_t keyCode, std::uint32_t modifiers) const {
  for (const auto& reg : registrations()) {
    if (reg.keyCode == keyCode && reg.modifiers == modifiers) return true;
  }
  return false;
}

bool FakeHotKeys::isTakenElsewhere(std::uint32_t keyCode, std::uint32_t modifiers) const {
  std::lock_guard lock(mutex_);
  return takenElsewhere_.contains({keyCode, modifiers});
}

}  // namespace vigilix::testing
