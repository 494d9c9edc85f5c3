#include "sleepguard/testing/fake_guard_runner.h"

namespace vigilix::testing {

std::expected<void, VGXGuardError> FakeGuardRunner::setSleepDisabled(bool disabled) {
  calls.push_back(disabled ? "set 1" : "set 0");
  if (failSet) return std::unexpected(*failSet);
  if (disabled || !stuckDisabled) sleepDisabled = disabled;
  return {};
}

std::expected<bool, VGXGuardError> FakeGuardRunner::readSleepDisabled() {
  calls.emplace_back("read");
  if (failRead) return std::unexpected(*failRead);
  return sleepDisabled;
}

bool FakeGuardRunner::killStrayDisablers() {
  calls.emplace_back("kill");
  return !strayLeft;
}

bool FakeGuardRunner::reapUnreapedChildren() {
  calls.emplace_back("reap");
  return unreaped;
}

}  // namespace vigilix::testing
