#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "platform/runloop/current_queue.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix::testing {

// A serial queue whose tasks run only when the test says, for tests that
// interleave other work between the steps of a queue. Work posted with
// `asyncAfter` (and timer sources on this queue) joins the line once its due
// time comes on the platform's clock (under the test platform: virtual time).
class ManualDispatchQueue final : public platform::DispatchQueue {
 public:
  explicit ManualDispatchQueue(std::string label = "manual");
  ~ManualDispatchQueue() override;

  const std::string& label() const override { return label_; }
  void async(platform::Task task) override;
  void asyncAfter(double seconds, platform::Task task) override;
  bool isCurrent() const override;

  // Runs the oldest waiting task; false when none waits.
  bool runNext();
  // Runs tasks until none waits, also those posted meanwhile; returns how many ran.
  std::size_t runAll();
  std::size_t pendingCount() const;

 private:
  struct Line {
    std::mutex mutex;
    std::deque<platform::Task> tasks;
  };

  std::string label_;
  std::shared_ptr<Line> line_;
  platform::CurrentQueue::Identity identity_;
};

}  // namespace vigilix::testing
