#include "testing/virtual_processes.h"

#include <utility>

namespace vigilix::testing {

VirtualProcesses::VirtualProcesses()
    : running_({1}), watches_(std::make_shared<std::map<std::uint64_t, Watch>>()) {}

std::int32_t VirtualProcesses::start() {
  const std::int32_t started = nextIdentifier_++;
  running_.insert(started);
  return started;
}

void VirtualProcesses::exit(std::int32_t processIdentifier) {
  if (running_.erase(processIdentifier) == 0) return;
  std::vector<platform::Task> exited;
  for (auto entry = watches_->begin(); entry != watches_->end();) {
    if (entry->second.processIdentifier == processIdentifier) {
      exited.push_back(std::move(entry->second.exited));
      entry = watches_->erase(entry);
    } else {
      ++entry;
    }
  }
  for (auto& step : exited) step();
}

bool VirtualProcesses::isRunning(std::int32_t processIdentifier) const {
  return running_.contains(processIdentifier);
}

std::size_t VirtualProcesses::watchCount(std::int32_t processIdentifier) const {
  std::size_t count = 0;
  for (const auto& [id, watch] : *watches_) {
    if (watch.processIdentifier == processIdentifier) ++count;
  }
  return count;
}

std::shared_ptr<platform::DispatchProcessSource> VirtualProcesses::makeSource(
    std::int32_t processIdentifier, platform::DispatchQueue& queue) {
  if (!isRunning(processIdentifier)) return nullptr;
  auto source = std::make_shared<platform::QueueProcessSource>(processIdentifier, queue);
  const std::uint64_t id = nextWatch_++;
  watches_->emplace(id, Watch{processIdentifier, source->exitStep()});
  source->setStopWatching([weak = std::weak_ptr(watches_), id] {
    if (const auto watches = weak.lock()) watches->erase(id);
  });
  return source;
}

}  // namespace vigilix::testing
