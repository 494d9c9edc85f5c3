#include "testing/fake_logind_inhibitors.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace vigilix::testing {

std::expected<platform::UniqueFd, platform::BusError> FakeLogindInhibitors::inhibit(
    const std::string& what, const std::string& who, const std::string& why,
    const std::string& mode) {
  if (inhibitFailure) return std::unexpected(*inhibitFailure);
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return std::unexpected(platform::busErrorFromResult(-errno));
  taken_.push_back(Taken{{what, who, why, mode, static_cast<std::uint32_t>(::geteuid()),
                          static_cast<std::uint32_t>(::getpid())},
                         platform::UniqueFd(ends[0])});
  return platform::UniqueFd(ends[1]);
}

std::expected<std::vector<platform::LogindInhibitor>, platform::BusError>
FakeLogindInhibitors::listInhibitors() {
  ++listCalls;
  if (listFailure) return std::unexpected(*listFailure);
  std::erase_if(taken_, [](const Taken& taken) {
    pollfd watched{taken.watch.get(), 0, 0};
    return ::poll(&watched, 1, 0) > 0 && (watched.revents & (POLLHUP | POLLERR)) != 0;
  });
  std::vector<platform::LogindInhibitor> locks;
  for (const Taken& taken : taken_) locks.push_back(taken.lock);
  locks.insert(locks.end(), otherLocks.begin(), otherLocks.end());
  return locks;
}

}  // namespace vigilix::testing
