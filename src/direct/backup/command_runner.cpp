#include "direct/backup/command_runner.h"

#include <sys/wait.h>

namespace vigilix {

VGXProcessCommandRunner::VGXProcessCommandRunner(platform::ChildControl control)
    : control_(std::move(control)) {}

std::int32_t VGXProcessCommandRunner::exitCode(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
  return waitStatus;
}

std::expected<std::optional<VGXCommandOutput>, std::string> VGXProcessCommandRunner::run(
    const std::string& executable, const std::vector<std::string>& arguments,
    double timeoutSeconds) const {
  {
    std::lock_guard guard(leftovers_->lock);
    leftovers_->children.reap();
  }
  const double timeout = timeoutSeconds > 0 ? timeoutSeconds : kDefaultTimeout;
  platform::ChildLimits limits;
  limits.deadlineNanoseconds = static_cast<std::uint64_t>(timeout * 1e9);
  limits.outputLimitBytes = kOutputLimit;
  limits.reapGraceNanoseconds = static_cast<std::uint64_t>(kReapGrace * 1e9);
  const auto result = platform::GuardedChildRunner(limits, control_).run(executable, arguments);
  if (result) return VGXCommandOutput{result->output, exitCode(result->waitStatus)};
  using Kind = platform::ChildFailure::Kind;
  // A killed command ran past its time; one that would not be reaped too.
  if (result.error().kind == Kind::notReaped) {
    std::lock_guard guard(leftovers_->lock);
    leftovers_->children.add(result.error().pid);
    return std::nullopt;
  }
  if (result.error().kind == Kind::timeout) {
    return std::nullopt;
  }
  return std::unexpected(result.error().text());
}

}  // namespace vigilix
