#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "platform/base/logger.h"
#include "platform/runloop/descriptor_watcher.h"
#include "platform/runloop/live_run_loop.h"
#include "platform/runloop/queue_process_source.h"

namespace vigilix::platform {

std::shared_ptr<DispatchProcessSource> LivePlatform::makeProcessSource(
    std::int32_t processIdentifier, DispatchQueue& queue) {
  if (processIdentifier <= 0) return nullptr;
  const long fd = syscall(SYS_pidfd_open, processIdentifier, 0);
  if (fd < 0) {
    if (errno != ESRCH) {
      Logger("runloop").error("Cannot watch process {}: errno {}", processIdentifier, errno);
    }
    return nullptr;
  }
  auto source = std::make_shared<QueueProcessSource>(processIdentifier, queue);
  DescriptorWatcher& watcher = DescriptorWatcher::shared();
  const DescriptorWatcher::Id id = watcher.watch(static_cast<int>(fd), source->exitStep());
  source->setStopWatching([id] { DescriptorWatcher::shared().cancel(id); });
  return source;
}

}  // namespace vigilix::platform
