#include "platform/runloop/descriptor_watcher.h"

#include <poll.h>
#include <unistd.h>

#include <utility>

namespace vigilix::platform {

DescriptorWatcher::DescriptorWatcher() {
  thread_ = std::thread([this] { run(); });
}

DescriptorWatcher::~DescriptorWatcher() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    wake_.signal();
  }
  thread_.join();
  for (auto& [id, entry] : entries_) close(entry.fd);
  for (int fd : closing_) close(fd);
}

DescriptorWatcher& DescriptorWatcher::shared() {
  static auto* watcher = new DescriptorWatcher();
  return *watcher;
}

DescriptorWatcher::Id DescriptorWatcher::watch(int fd, std::function<void()> onReady) {
  std::lock_guard lock(mutex_);
  const Id id = nextId_++;
  entries_.emplace(id, Entry{fd, std::move(onReady)});
  wake_.signal();
  return id;
}

bool DescriptorWatcher::cancel(Id id) {
  std::lock_guard lock(mutex_);
  const auto found = entries_.find(id);
  if (found == entries_.end()) return false;
  closing_.push_back(found->second.fd);
  entries_.erase(found);
  wake_.signal();
  return true;
}

std::size_t DescriptorWatcher::count() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
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
      polled.assign(1, pollfd{wake_.fd(), POLLIN, 0});
      ids.assign(1, 0);
      for (const auto& [id, entry] : entries_) {
        polled.push_back(pollfd{entry.fd, POLLIN, 0});
        ids.push_back(id);
      }
    }
    if (poll(polled.data(), polled.size(), -1) < 0) continue;  // EINTR: poll again
    if (polled[0].revents != 0) wake_.drain();
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
