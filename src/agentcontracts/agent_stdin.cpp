#include "agentcontracts/agent_stdin.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>

namespace vigilix::VGXAgentStdin {

namespace {

constexpr std::size_t kChunk = 4096;

int pollMilliseconds(double seconds) {
  const double milliseconds = std::floor(seconds * 1000);
  if (!(milliseconds > 0)) return 0;
  return milliseconds >= INT_MAX ? INT_MAX : static_cast<int>(milliseconds);
}

}  // namespace

std::vector<std::uint8_t> read(int fd, const std::function<double()>& now, double deadline) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags != -1) ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  std::vector<std::uint8_t> collected;
  while (collected.size() < maxBytes) {
    const double remaining = deadline - now();
    if (!(remaining > 0)) break;
    pollfd watched{fd, POLLIN, 0};
    const int ready = ::poll(&watched, 1, pollMilliseconds(remaining));
    // A signal that interrupts the wait costs no input: wait again for what remains.
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (watched.revents & POLLIN) == 0) break;
    std::uint8_t chunk[kChunk];
    const ssize_t count = ::read(fd, chunk, std::min(kChunk, maxBytes - collected.size()));
    if (count == 0) break;
    if (count < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      break;
    }
    collected.insert(collected.end(), chunk, chunk + count);
  }
  if (flags != -1) ::fcntl(fd, F_SETFL, flags);
  return collected;
}

}  // namespace vigilix::VGXAgentStdin
