#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "direct/lock/lock_state.h"
#include "platform/base/date.h"
#include "platform/defaults/user_defaults.h"
#include "platform/fs/file_system.h"
#include "platform/power/logind_session_lock.h"

namespace vigilix {

using VGXLockEvent = platform::SessionLockEvent;
using VGXSessionReading = std::optional<platform::SessionLockReading>;

inline constexpr const char* kPresenceLockDiagnosticsKey = "VGXPresenceLockDiagnostics";
inline constexpr std::size_t kLockLogMaxBytes = 262144;

namespace VGXLockStateLogic {

struct Result {
  VGXLockState state = VGXLockState::unknown;
  bool lockValidated = false;
  bool operator==(const Result&) const = default;
};

// Only the session's own reading proves it unlocked: a locked hint says locked, an active
// session unlocked (validated), an inactive one locked, anything else unknown.
Result fromReading(const VGXSessionReading& reading);
// Lock notices and the session going inactive lock without asking the session; the others
// take the session's reading.
Result apply(VGXLockEvent event, const VGXSessionReading& reading);
// "<time> source=<event> keys=<read properties> LockedHint=<v> Active=<v>\n".
std::string diagnosticsLine(platform::Date at, VGXLockEvent event,
                            const VGXSessionReading& reading);
// `existing` with `line` appended, cut to its last `maxBytes` bytes (from just after the
// first line feed in them, when there is one) so the file begins with a whole line.
std::string appendCapped(std::string existing, std::string_view line, std::size_t maxBytes);

}  // namespace VGXLockStateLogic

// The screen lock of the user's session as chat presence needs it: never taken for unlocked
// unless the session itself says so. Tells its owner after every event, and writes a line per
// event to a capped diagnostics log while the user asked for it. Main thread.
class VGXLockStateMonitor {
 public:
  using Path = platform::FileSystem::Path;

  explicit VGXLockStateMonitor(platform::UserDefaults& defaults, Path logFile = defaultLogFile(),
                               std::size_t maxLogBytes = kLockLogMaxBytes);
  static Path defaultLogFile();

  // Follows the user's logind session; the first reading counts as the initial event.
  void start(std::shared_ptr<platform::AsyncBusConnection> systemBus,
             platform::LogindSessionLookup lookup);
  // One event from the session with its reading at that moment.
  void handle(VGXLockEvent event, const VGXSessionReading& reading);

  VGXLockState state() const { return result_.state; }
  bool lockValidated() const { return result_.lockValidated; }
  std::function<void()> onChange;

 private:
  void writeDiagnostics(VGXLockEvent event, const VGXSessionReading& reading) const;

  platform::UserDefaults& defaults_;
  Path logFile_;
  std::size_t maxLogBytes_;
  VGXLockStateLogic::Result result_;
  std::unique_ptr<platform::LogindSessionLock> source_;
};

}  // namespace vigilix
