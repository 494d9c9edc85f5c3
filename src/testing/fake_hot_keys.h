#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <utility>

#include "platform/ui/hot_key_service.h"

namespace vigilix::testing {

// The hot-key service of a test, installed as the current one while it
// lives. Besides the process's own registrations it has a table of
// combinations other applications hold: registering one of those fails as
// the system's does. Modifiers are the hot-key service's bits.
class FakeHotKeys : public platform::InProcessHotKeyService {
 public:
  FakeHotKeys();
  ~FakeHotKeys() override;
  FakeHotKeys(const FakeHotKeys&) = delete;
  FakeHotKeys& operator=(const FakeHotKeys&) = delete;

  void takeElsewhere(std::uint32_t keyCode, std::uint32_t modifiers);
  void releaseElsewhere(std::uint32_t keyCode, std::uint32_t modifiers);

  // The user presses the combination; false when this process has not
  // registered it (another application's key does not reach us).
  bool press(std::uint32_t keyCode, std::uint32_t modifiers) {
    return deliverPress(keyCode, modifiers);
  }
  bool isRegistered(std::uint32_t keyCode, std::uint32_t modifiers) const;

 protected:
  bool isTakenElsewhere(std::uint32_t keyCode, std::uint32_t modifiers) const override;

 private:
  mutable std::mutex mutex_;
  std::set<std::pair<std::uint32_t, std::uint32_t>> takenElsewhere_;
  platform::HotKeyService* previous_;
};

}  // namespace vigilix::testing
