#include "platform/runloop/descriptor_watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace vigilix::platform {

DescriptorWatcher::DescriptorWatcher() : wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  // Without its wake descriptor the watcher could never learn of new work.
  if (wake_ < 0) std::abort();
  thread_ = std::thread([this] { run(); });
}

DescriptorWatcher::~DescriptorWatcher() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    wakeLocked();
  }
  thread_.join();
  for (auto& [id, entry] : entries_) close(entry.fd);
  for (int fd : closing_) close(fd);
  close(wake_);
}

DescriptorWatcher& DescriptorWatcher::shared() {
  static auto* watcher = new DescriptorWatcher();
  return *watcher;
}

DescriptorWatcher::Id DescriptorWatcher::watch(int fd, std::function<void()> onReady) {
  std::lock_guard lock(mutex_);
  const Id id = nextId_++;
  entries_.emplace(id, Entry{fd, std::move(onReady)});
  wakeLocked();
  return id;
}

bool DescriptorWatcher::cancel(Id id) {
  std::lock_guard lock(mutex_);
  const auto found = entries_.find(id);
  if (found == entries_.end()) return false;
  closing_.push_back(found->second.fd);
  entries_.erase(found);
  wakeLocked();
  return true;
}

std::size_t DescriptorWatcher::count() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

void DescriptorWatcher::wakeLocked() {
  const std::uint64_t one = 1;
  // A full counter already means a pending wake-up.
  [[maybe_unused]] const auto written = write(wake_, &one, sizeof one);
}

void DescriptorWatcher::run() {
  std::vector<pollfd> polled;
  std::vector<Id> ids;
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      for (int fd : closing_) close(fd);
      closing_.clear();
      if (stopping_) return;
      polled.assign(1, pollfd{wake_, POLLIN, 0});
      ids.assign(1, 0);
      for (const auto& [id, entry] : entries_) {
        polled.push_back(pollfd{entry.fd, POLLIN, 0});
        ids.push_back(id);
      }
    }
    if (poll(polled.data(), polled.size(), -1) < 0) continue;  // EINTR: poll again
    if (polled[0].revents != 0) {
      std::uint64_t drained = 0;
      [[maybe_unused]] const auto read_ = read(wake_, &drained, sizeof drained);
    }
    std::vector<std::function<void()>> ready;
    {
      std::lock_guard lock(mutex_);
      for (std::size_t i = 1; i < polled.size(); ++i) {
        if (polled[i].revents == 0) continue;
        const auto found = entries_.find(ids[i]);
        if (found == entries_.end()) continue;  // cancelled meanwhile
        closing_.push_back(found->second.fd);
        ready.push_back(std::move(found->second.onReady));
        entries_.erase(found);
      }
    }
    for (auto& onReady : ready) onReady();
  }
}

}  // namespace vigilix::platform
