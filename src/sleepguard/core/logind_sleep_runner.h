#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/unique_fd.h"
#include "platform/power/logind_inhibitors.h"
#include "sleepguard/core/guard_collaborators.h"

namespace vigilix {

// The lock that turns system sleep off: what it blocks, in whose name, how.
inline constexpr const char* kSleepSwitchWhat = "sleep:idle:handle-lid-switch";
inline constexpr const char* kSleepSwitchWho = "Vigilix";
inline constexpr const char* kSleepSwitchMode = "block";

// The guard program's file name, wherever it was started from.
inline constexpr std::string_view kGuardProgramName = "vigilix-sleepguard";

// A root lock that blocks both sleep and the lid switch: a lock on sleep
// alone does not stop logind suspending the machine when the lid closes.
bool isSleepSwitchLock(const platform::LogindInhibitor& lock);
// An executable path (as /proc/<pid>/exe gives it) of a guard program: named
// kGuardProgramName, or its ".prev" kept by an update, also when the file was
// replaced or removed since the process started (" (deleted)").
bool isGuardProgram(std::string_view executable);
// What a process runs (/proc/<pid>/exe live); none when it cannot be read.
using ExecutableLookup = std::function<std::optional<std::string>(std::int32_t pid)>;
// The processes other than `ownPid` (and never pid 0 or 1) holding a sleep
// switch lock in Vigilix's name whose executable is a guard program: guards
// left over from an earlier run. Ascending, each once.
std::vector<std::int32_t> strayDisablerPIDs(const std::vector<platform::LogindInhibitor>& locks,
                                            std::int32_t ownPid,
                                            const ExecutableLookup& executableOf);

// How stray guards are ended and how the runner waits on logind. Live:
// kill(2), "exists" means signal 0 reaches it and it is not a zombie (a
// zombie holds no lock any more), executables from /proc.
struct StrayProcessControl {
  std::function<int(pid_t, int)> sendSignal;
  std::function<bool(pid_t)> exists;
  std::function<void(int milliseconds)> pause;  // one polling step
  ExecutableLookup executable;

  static StrayProcessControl live();
};

// The system sleep switch of the guard, as a logind inhibitor lock taken by
// the guard process itself: turning sleep off takes the lock and keeps its
// descriptor (close-on-exec, so no child keeps it); turning sleep back on
// closes it. The lock dies with the process, so a guard that crashes never
// leaves the machine unable to sleep. While the guard holds the lock, the
// read-back looks at its descriptor: logind closes its end when it lets go
// of a lock, which the kernel reports at once, so the periodic read-back
// costs no call and no wake-up. Without a held lock it asks logind's list,
// where a closed lock stays until logind gets round to it (seconds, on a busy
// machine), so turning sleep back on waits up to 6 s, polling less and less
// often, until logind no longer lists it. Error texts (io): "logind inhibit
// <reason>", "logind list <reason>", the reason being the D-Bus error name or
// the errno number. Calls come one at a time (the guard core's lock); each
// may block for the bus timeout, and killStrayDisablers for up to 2 s per
// stray process plus 2 s for logind to drop their locks.
class VGXLogindSleepRunner final : public VGXPowerSettingRunner {
 public:
  explicit VGXLogindSleepRunner(std::string why,
                                std::shared_ptr<platform::LogindInhibitors> logind =
                                    std::make_shared<platform::LiveLogindInhibitors>(),
                                StrayProcessControl control = StrayProcessControl::live());

  // True takes a new lock before the old one (if any) is closed, so asking
  // again repairs a lock that logind lost, with no gap.
  std::expected<void, VGXGuardError> setSleepDisabled(bool disabled) override;
  // True while logind keeps the lock held here; without one, true when
  // logind lists a sleep switch lock of this process.
  std::expected<bool, VGXGuardError> readSleepDisabled() override;
  bool killStrayDisablers() override;

  // The longest wait for logind to drop a closed lock, in the pauses' milliseconds.
  static constexpr int kReleaseWaitMilliseconds = 6000;

 private:
  std::expected<bool, VGXGuardError> listsOwnLock();

  std::string why_;
  std::shared_ptr<platform::LogindInhibitors> logind_;
  StrayProcessControl control_;
  platform::UniqueFd lock_;
};

}  // namespace vigilix
