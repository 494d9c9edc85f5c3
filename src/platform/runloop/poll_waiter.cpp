#include "platform/runloop/poll_waiter.h"

#include <poll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace vigilix::platform {

namespace {

// Rounded up, so that a poll never ends just before what it waits for and spins.
int pollTimeout(std::optional<double> seconds) {
  if (!seconds) return -1;
  const double milliseconds = std::ceil(std::max(*seconds, 0.0) * 1000.0);
  return static_cast<int>(std::min(milliseconds, double{std::numeric_limits<int>::max()}));
}

// Arms `timer` to fire when the wall clock reads `seconds` from now, however
// it is set meanwhile; false when it cannot be armed. Not cancelled by a set:
// a clock synchronised many times a second would wake the loop each time.
bool armWallTimer(int timer, double seconds) {
  timespec now{};
  if (clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
  const double whole = std::floor(seconds);
  itimerspec due{};
  due.it_value.tv_sec = now.tv_sec + static_cast<time_t>(whole);
  due.it_value.tv_nsec = now.tv_nsec + static_cast<long>((seconds - whole) * 1e9);
  if (due.it_value.tv_nsec >= 1'000'000'000L) {
    due.it_value.tv_sec += 1;
    due.it_value.tv_nsec -= 1'000'000'000L;
  }
  // A zero value would disarm the timer instead of firing it.
  if (due.it_value.tv_sec == 0 && due.it_value.tv_nsec == 0) due.it_value.tv_nsec = 1;
  return timerfd_settime(timer, TFD_TIMER_ABSTIME, &due, nullptr) == 0;
}

}  // namespace

SourceHandle DescriptorSources::add(int fd, short events, Dispatch dispatch) {
  return add(
      [fd, events] {
        return DescriptorInterest{fd, events, std::nullopt};
      },
      std::move(dispatch));
}

PollWaiter::PollWaiter(const Clock& clock)
    : clock_(clock), wallTimer_(timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK)) {}

PollWaiter::~PollWaiter() {
  if (wallTimer_ >= 0) close(wallTimer_);
}

SourceHandle PollWaiter::add(Prepare prepare, Dispatch dispatch) {
  auto source = std::make_shared<Source>();
  source->prepare = std::move(prepare);
  source->dispatch = std::move(dispatch);
  SourceHandle handle = sources_.add(std::move(source));
  // A loop already waiting must take the new descriptor in.
  wake_.signal();
  return handle;
}

void PollWaiter::wait(std::optional<double> seconds, std::optional<double> wallSeconds) {
  std::vector<std::shared_ptr<Source>> sources = sources_.snapshot();
  std::erase_if(sources, [](const auto& source) { return source->inCall; });

  struct Polled {
    std::shared_ptr<Source> source;
    int index;  // into `fds`, or -1
    std::optional<double> deadline;
  };
  std::vector<pollfd> fds{pollfd{wake_.fd(), POLLIN, 0}};
  bool wallTimerPolled = false;
  if (wallSeconds) {
    if (wallTimer_ >= 0 && armWallTimer(wallTimer_, std::max(*wallSeconds, 0.0))) {
      fds.push_back(pollfd{wallTimer_, POLLIN, 0});
      wallTimerPolled = true;
    } else {
      // Without the timer a set clock goes unnoticed for at most a second.
      seconds = std::min(seconds.value_or(*wallSeconds), std::min(*wallSeconds, 1.0));
    }
  }
  std::vector<Polled> polled;
  for (auto& source : sources) {
    if (!source->alive) continue;
    source->inCall = true;
    const DescriptorInterest interest = source->prepare();
    source->inCall = false;
    int index = -1;
    if (interest.fd >= 0) {
      index = static_cast<int>(fds.size());
      fds.push_back(pollfd{interest.fd, interest.events, 0});
    }
    if (interest.deadline) {
      const double remaining = *interest.deadline - clock_.uptime();
      seconds = std::min(seconds.value_or(remaining), remaining);
    }
    polled.push_back(Polled{std::move(source), index, interest.deadline});
  }

  // EINTR and the like: the loop looks at its work again and comes back.
  if (poll(fds.data(), fds.size(), pollTimeout(seconds)) < 0) return;
  if (fds[0].revents != 0) wake_.drain();
  if (wallTimerPolled && fds[1].revents != 0) {
    // Expired: read, so that it polls quiet until armed again.
    std::uint64_t expirations = 0;
    [[maybe_unused]] const auto ignored = read(wallTimer_, &expirations, sizeof expirations);
  }

  const double now = clock_.uptime();
  for (auto& [source, index, deadline] : polled) {
    const short revents = index >= 0 ? fds[static_cast<std::size_t>(index)].revents : short{0};
    if (revents == 0 && !(deadline && *deadline <= now)) continue;
    if (!source->alive || source->inCall) continue;
    source->inCall = true;
    source->dispatch(revents);
    source->inCall = false;
  }
}

}  // namespace vigilix::platform
