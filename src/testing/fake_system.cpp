#include "testing/fake_system.h"

namespace vigilix::testing {

platform::RunningApplication& FakeRunningApplications::add(
    std::optional<std::string> bundleIdentifier) {
  platform::RunningApplication application;
  application.processIdentifier = static_cast<std::int32_t>(100 + applications.size());
  application.bundleIdentifier = std::move(bundleIdentifier);
  application.isRegular = true;
  applications.push_back(std::move(application));
  return applications.back();
}

}  // namespace vigilix::testing
