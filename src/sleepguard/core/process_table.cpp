#include "sleepguard/core/process_table.h"

#include <unistd.h>

#include <utility>

#include "sleepguard/core/logind_sleep_runner.h"

namespace vigilix {

VGXProcessTable::VGXProcessTable(platform::ProcessListing listing,
                                 std::shared_ptr<platform::LogindInhibitors> logind)
    : listing_(std::move(listing)), logind_(std::move(logind)) {}

bool VGXProcessTable::canListProcesses() const {
  return listing_.listProcesses().has_value() && logind_->listInhibitors().has_value();
}

std::vector<std::int32_t> VGXProcessTable::pids(const std::string& executablePath) const {
  std::vector<std::int32_t> found;
  const auto all = listing_.listAllPIDs();
  if (!all) return found;
  const std::string replaced = executablePath + " (deleted)";
  for (const std::int32_t pid : *all) {
    if (pid < 2) continue;
    const auto path = listing_.executablePath(pid);
    if (path && (*path == executablePath || *path == replaced)) found.push_back(pid);
  }
  return found;
}

std::vector<std::int32_t> VGXProcessTable::strayDisablerPIDs() const {
  const auto locks = logind_->listInhibitors();
  if (!locks) return {};
  return vigilix::strayDisablerPIDs(
      *locks, static_cast<std::int32_t>(::getpid()),
      [this](std::int32_t pid) { return listing_.executablePath(pid); });
}

}  // namespace vigilix
