#pragma once

#include <sys/types.h>

#include <cstddef>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process/guarded_child.h"
#include "sleepguard/installer/installer_error.h"

namespace vigilix {

// Loads, unloads and queries the guard with the service manager's `systemctl`
// tool, found at /usr/bin/systemctl under the file-system root. Every run has a
// deadline (10 s) and an output cap (65536 bytes), is killed when it passes
// either, and is reaped within a bounded number of polls; a child that cannot
// be reaped is kept in `unreaped()` and retried before each later run. A tool
// that could not run, was killed, or printed what cannot be read is a failure,
// never an answer. Failures are `failed` texts: "systemctl <command> " followed
// by the exit status in decimal or by the runner's reason ("timeout", "spawn 2",
// "child not reaped"...). One call at a time.
class VGXSystemctl {
 public:
  static constexpr std::string_view kToolPath = "/usr/bin/systemctl";
  static platform::ChildLimits defaultLimits();

  explicit VGXSystemctl(platform::ChildLimits limits = defaultLimits(),
                        platform::ChildControl control = platform::ChildControl::live());

  // `show --property=ActiveState,SubState,MainPID` of the service and its
  // sockets: loaded while any of them is neither "inactive" nor "failed", since
  // a listening socket starts the guard again.
  std::expected<bool, VGXInstallerError> isGuardLoaded();
  // `disable --now` of the sockets and the service.
  std::expected<void, VGXInstallerError> bootout();
  // `daemon-reload`, then `enable --now` of the sockets and the service.
  std::expected<void, VGXInstallerError> bootstrap();

  const std::vector<pid_t>& unreaped() const { return unreaped_.pids(); }

 private:
  // The exit code of a child that ran to its end, or the failure text.
  std::expected<platform::ChildExit, VGXInstallerError> run(std::string_view command,
                                                            std::vector<std::string> arguments);
  std::expected<void, VGXInstallerError> runExpectingSuccess(std::string_view command,
                                                             std::vector<std::string> arguments);

  platform::GuardedChildRunner runner_;
  platform::UnreapedChildren unreaped_;
};

// Reads the blocks `systemctl show` prints for `units` in order (one
// "Key=value" per line, a blank line between units). True when any unit is
// neither inactive nor failed; none when a block or its ActiveState is missing.
std::optional<bool> anyUnitActive(std::string_view output, std::size_t units);

}  // namespace vigilix
