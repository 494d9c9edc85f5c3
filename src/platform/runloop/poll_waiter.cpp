#include "platform/runloop/poll_waiter.h"

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <utility>

namespace vigilix::platform {

struct PollWaiter::Source {
  Prepare prepare;
  Dispatch dispatch;
  std::atomic<bool> alive{true};
  // Only the waiting thread reads or writes this.
  bool inCall = false;
};

struct PollWaiter::Registry {
  std::mutex mutex;
  std::vector<std::shared_ptr<Source>> sources;
};

// Holds the registry weakly: a handle that outlives its waiter does nothing.
class PollWaiter::Registration final : public SourceRegistration {
 public:
  Registration(std::weak_ptr<Registry> registry, std::shared_ptr<Source> source)
      : registry_(std::move(registry)), source_(std::move(source)) {}
  ~Registration() override {
    source_->alive = false;
    if (auto registry = registry_.lock()) {
      std::lock_guard lock(registry->mutex);
      std::erase(registry->sources, source_);
    }
  }

 private:
  std::weak_ptr<Registry> registry_;
  std::shared_ptr<Source> source_;
};

namespace {

// Rounded up, so that a poll never ends just before what it waits for and spins.
int pollTimeout(std::optional<double> seconds) {
  if (!seconds) return -1;
  const double milliseconds = std::ceil(std::max(*seconds, 0.0) * 1000.0);
  return static_cast<int>(std::min(milliseconds, double{std::numeric_limits<int>::max()}));
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
    : clock_(clock), registry_(std::make_shared<Registry>()) {}

PollWaiter::~PollWaiter() = default;

SourceHandle PollWaiter::add(Prepare prepare, Dispatch dispatch) {
  auto source = std::make_shared<Source>();
  source->prepare = std::move(prepare);
  source->dispatch = std::move(dispatch);
  {
    std::lock_guard lock(registry_->mutex);
    registry_->sources.push_back(source);
  }
  // A loop already waiting must take the new descriptor in.
  wake_.signal();
  return std::make_unique<Registration>(registry_, std::move(source));
}

std::size_t PollWaiter::sourceCount() const {
  std::lock_guard lock(registry_->mutex);
  return registry_->sources.size();
}

void PollWaiter::wait(std::optional<double> seconds) {
  std::vector<std::shared_ptr<Source>> sources;
  {
    std::lock_guard lock(registry_->mutex);
    sources = registry_->sources;
  }
  std::erase_if(sources, [](const auto& source) { return source->inCall; });

  struct Polled {
    std::shared_ptr<Source> source;
    int index;  // into `fds`, or -1
    std::optional<double> deadline;
  };
  std::vector<pollfd> fds{pollfd{wake_.fd(), POLLIN, 0}};
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
