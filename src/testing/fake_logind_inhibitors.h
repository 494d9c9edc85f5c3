#pragma once

#include <optional>
#include <vector>

#include "platform/power/logind_inhibitors.h"

namespace vigilix::testing {

// logind's inhibitor locks as a test lays them out. A lock taken through
// inhibit() is listed with this process's pid and effective uid while its
// descriptor (or a duplicate) stays open, as logind would list it.
class FakeLogindInhibitors : public platform::LogindInhibitors {
 public:
  std::expected<platform::UniqueFd, platform::BusError> inhibit(const std::string& what,
                                                                const std::string& who,
                                                                const std::string& why,
                                                                const std::string& mode) override;
  std::expected<std::vector<platform::LogindInhibitor>, platform::BusError> listInhibitors()
      override;

  // Locks of other processes, listed after the taken ones.
  std::vector<platform::LogindInhibitor> otherLocks;
  // Set: the next calls fail with it.
  std::optional<platform::BusError> inhibitFailure;
  std::optional<platform::BusError> listFailure;
  int listCalls = 0;

 private:
  struct Taken {
    platform::LogindInhibitor lock;
    platform::UniqueFd watch;  // the read end: hung up once every write end is closed
  };
  std::vector<Taken> taken_;
};

}  // namespace vigilix::testing
