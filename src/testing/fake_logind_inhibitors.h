#pragma once

#include <optional>
#include <vector>

#include "platform/power/logind_inhibitors.h"

namespace vigilix::testing {

// logind's list of inhibitor locks as a test lays it out. Taking a lock
// always fails here (with `inhibitFailure` when set): tests that take locks
// run against the logind mock on a private bus (tests/dbus), where a lock
// lives exactly as long as its descriptor.
class FakeLogindInhibitors : public platform::LogindInhibitors {
 public:
  std::expected<platform::UniqueFd, platform::BusError> inhibit(const std::string& what,
                                                                const std::string& who,
                                                                const std::string& why,
                                                                const std::string& mode) override;
  std::expected<std::vector<platform::LogindInhibitor>, platform::BusError> listInhibitors()
      override;

  std::vector<platform::LogindInhibitor> locks;
  // Set: listing fails with it.
  std::optional<platform::BusError> listFailure;
  std::optional<platform::BusError> inhibitFailure;
};

}  // namespace vigilix::testing
