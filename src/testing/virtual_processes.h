#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/runloop/dispatch_process_source.h"
#include "platform/runloop/queue_process_source.h"

namespace vigilix::testing {

// The test platform's process table: process 1 always runs, a test starts
// more and ends them, and process sources watch them on virtual time. Used on
// the test's thread only.
class VirtualProcesses {
 public:
  VirtualProcesses();

  // A new running process; identifiers count up from 40000 and are never
  // given twice.
  std::int32_t start();
  // Ends the process: every source watching it delivers on its queue when
  // that queue next runs. Nothing for a process that does not run.
  void exit(std::int32_t processIdentifier);
  bool isRunning(std::int32_t processIdentifier) const;
  // Sources watching the process, neither cancelled nor destroyed.
  std::size_t watchCount(std::int32_t processIdentifier) const;

  // None for a process that does not run (as the live platform answers).
  std::shared_ptr<platform::DispatchProcessSource> makeSource(std::int32_t processIdentifier,
                                                              platform::DispatchQueue& queue);

 private:
  struct Watch {
    std::int32_t processIdentifier;
    platform::Task exited;
  };

  std::set<std::int32_t> running_;
  std::int32_t nextIdentifier_ = 40000;
  std::uint64_t nextWatch_ = 1;
  // Shared with each source's stop step, which may outlive this table.
  std::shared_ptr<std::map<std::uint64_t, Watch>> watches_;
};

}  // namespace vigilix::testing
