#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/notifications/distributed_notification_bus.h"

namespace vigilix::testing {

// A private system-wide bus for one test. While it lives, its first centre
// (this process) is `DistributedNotificationCenter::current()`; further
// centres stand for other processes (the extension, the command-line tool).
// Every post through the bus's centres is recorded, whichever made it.
class InProcessNotificationBus {
 public:
  struct Posted {
    std::string name;
    std::optional<std::string> object;
    bool operator==(const Posted&) const = default;
  };

  InProcessNotificationBus();
  ~InProcessNotificationBus();
  InProcessNotificationBus(const InProcessNotificationBus&) = delete;
  InProcessNotificationBus& operator=(const InProcessNotificationBus&) = delete;

  platform::DistributedNotificationCenter& center() { return *center_; }
  // A centre for another process on the same bus.
  std::unique_ptr<platform::DistributedNotificationCenter> makeProcess();

  // Every notification posted on the bus so far, in order.
  std::vector<Posted> posted() const;
  // The posts with this name, in order.
  std::vector<Posted> posted(const std::string& name) const;

 private:
  struct Log;
  class RecordingCenter;

  std::shared_ptr<platform::DistributedNotificationBus> bus_;
  std::shared_ptr<Log> log_;
  std::unique_ptr<platform::DistributedNotificationCenter> center_;
};

}  // namespace vigilix::testing
