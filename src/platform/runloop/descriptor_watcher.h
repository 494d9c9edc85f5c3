#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/runloop/wake_event.h"

namespace vigilix::platform {

// File descriptors that live sources wait on (a pidfd for a process's exit):
// one thread polls them all and reports each one once, when it becomes
// readable, reports an error or hangs up. Any thread may watch or cancel.
class DescriptorWatcher {
 public:
  using Id = std::uint64_t;

  DescriptorWatcher();
  // Stops the thread and closes every descriptor still watched.
  ~DescriptorWatcher();
  DescriptorWatcher(const DescriptorWatcher&) = delete;
  DescriptorWatcher& operator=(const DescriptorWatcher&) = delete;

  // Takes `fd` over: it is closed once reported or cancelled. `onReady` runs
  // once, on the watcher's thread, and should only post work elsewhere.
  Id watch(int fd, std::function<void()> onReady);
  // False when the watch was already reported or cancelled. A report that
  // has already begun may still be running when this returns.
  bool cancel(Id id);
  // Descriptors watched and not yet reported nor cancelled.
  std::size_t count() const;

  // The live platform's watcher; never destroyed.
  static DescriptorWatcher& shared();

 private:
  struct Entry {
    int fd;
    std::function<void()> onReady;
  };

  void run();

  mutable std::mutex mutex_;
  std::map<Id, Entry> entries_;
  // Closed by the thread after its poll returns, never under a running poll.
  std::vector<int> closing_;
  Id nextId_ = 1;
  bool stopping_ = false;
  WakeEvent wake_;
  std::thread thread_;
};

}  // namespace vigilix::platform
