#pragma once

#include <optional>
#include <string>

#include "platform/system/login_item.h"

namespace vigilix::testing {

// A login item in memory: registering enables it unless a failure is set.
// Installs itself as LoginItem::current() while it lives.
class FakeLoginItem final : public platform::LoginItem {
 public:
  FakeLoginItem();
  ~FakeLoginItem() override;
  FakeLoginItem(const FakeLoginItem&) = delete;
  FakeLoginItem& operator=(const FakeLoginItem&) = delete;

  platform::LoginItemStatus status() const override { return status_; }
  std::expected<void, platform::LoginItemError> registerItem() override;
  std::expected<void, platform::LoginItemError> unregisterItem() override;

  void setStatus(platform::LoginItemStatus status) { status_ = status; }
  // The next requests fail with this message (none: they succeed).
  void setFailure(std::optional<std::string> message) { failure_ = std::move(message); }
  int registrations() const { return registrations_; }
  int unregistrations() const { return unregistrations_; }

 private:
  platform::LoginItemStatus status_ = platform::LoginItemStatus::notRegistered;
  std::optional<std::string> failure_;
  int registrations_ = 0;
  int unregistrations_ = 0;
  platform::LoginItem* previous_ = nullptr;
};

}  // namespace vigilix::testing
