#include "testing/fake_login_item.h"

namespace vigilix::testing {

using platform::LoginItemError;
using platform::LoginItemStatus;

FakeLoginItem::FakeLoginItem() : previous_(platform::LoginItem::setCurrent(this)) {}

FakeLoginItem::~FakeLoginItem() { platform::LoginItem::setCurrent(previous_); }

std::expected<void, LoginItemError> FakeLoginItem::registerItem() {
  ++registrations_;
  if (failure_) return std::unexpected(LoginItemError{*failure_});
  status_ = LoginItemStatus::enabled;
  return {};
}

std::expected<void, LoginItemError> FakeLoginItem::unregisterItem() {
  ++unregistrations_;
  if (failure_) return std::unexpected(LoginItemError{*failure_});
  status_ = LoginItemStatus::notRegistered;
  return {};
}

}  // namespace vigilix::testing
