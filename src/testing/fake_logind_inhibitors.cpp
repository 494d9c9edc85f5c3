#include "testing/fake_logind_inhibitors.h"

#include <cerrno>

namespace vigilix::testing {

std::expected<platform::UniqueFd, platform::BusError> FakeLogindInhibitors::inhibit(
    const std::string& /*what*/, const std::string& /*who*/, const std::string& /*why*/,
    const std::string& /*mode*/) {
  return std::unexpected(inhibitFailure.value_or(platform::BusError{ENOTSUP, {}, {}}));
}

std::expected<std::vector<platform::LogindInhibitor>, platform::BusError>
FakeLogindInhibitors::listInhibitors() {
  if (listFailure) return std::unexpected(*listFailure);
  return locks;
}

}  // namespace vigilix::testing
