#include "platform/qt/glib_context_source.h"

#include <poll.h>
#include <sys/epoll.h>
#include <time.h>
#include <unistd.h>

namespace vigilix::platform {

namespace {

double uptimeSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

unsigned epollEvents(gushort events) {
  unsigned out = 0;
  if (events & G_IO_IN) out |= EPOLLIN;
  if (events & G_IO_OUT) out |= EPOLLOUT;
  if (events & G_IO_PRI) out |= EPOLLPRI;
  return out;
}

}  // namespace

GlibContextSource::GlibContextSource(DescriptorSources& sources)
    : context_(g_main_context_default()), epoll_(epoll_create1(EPOLL_CLOEXEC)) {
  owner_ = g_main_context_acquire(context_) != 0;
  handle_ = sources.add([this] { return prepare(); }, [this](short) { dispatch(); });
}

GlibContextSource::~GlibContextSource() {
  handle_.reset();
  if (owner_) g_main_context_release(context_);
  if (epoll_ >= 0) close(epoll_);
}

DescriptorInterest GlibContextSource::prepare() {
  gint timeout = -1;
  gboolean ready = g_main_context_prepare(context_, &priority_);
  for (;;) {
    gint wanted = g_main_context_query(context_, priority_, &timeout, fds_.data(),
                                       static_cast<gint>(fds_.size()));
    bool fits = static_cast<std::size_t>(wanted) <= fds_.size();
    fds_.resize(static_cast<std::size_t>(wanted));
    if (fits) break;
  }
  watch(fds_);
  DescriptorInterest interest{.fd = epoll_, .events = POLLIN, .deadline = std::nullopt};
  if (ready || timeout == 0) {
    interest.deadline = uptimeSeconds();
  } else if (timeout > 0) {
    interest.deadline = uptimeSeconds() + timeout / 1000.0;
  }
  return interest;
}

void GlibContextSource::watch(const std::vector<GPollFD>& fds) {
  std::map<int, unsigned> wanted;
  for (const GPollFD& fd : fds) wanted[fd.fd] |= epollEvents(fd.events);
  for (auto it = watched_.begin(); it != watched_.end();) {
    if (wanted.contains(it->first)) {
      ++it;
      continue;
    }
    epoll_ctl(epoll_, EPOLL_CTL_DEL, it->first, nullptr);
    it = watched_.erase(it);
  }
  for (const auto& [fd, events] : wanted) {
    epoll_event event{.events = events, .data = {.fd = fd}};
    auto it = watched_.find(fd);
    if (it == watched_.end()) {
      epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event);
    } else if (it->second != events) {
      epoll_ctl(epoll_, EPOLL_CTL_MOD, fd, &event);
    }
    watched_[fd] = events;
  }
}

void GlibContextSource::dispatch() {
  // The epoll descriptor only says that something is ready; GLib wants each
  // descriptor's own events.
  g_poll(fds_.data(), static_cast<guint>(fds_.size()), 0);
  if (g_main_context_check(context_, priority_, fds_.data(), static_cast<gint>(fds_.size()))) {
    g_main_context_dispatch(context_);
  }
}

}  // namespace vigilix::platform
