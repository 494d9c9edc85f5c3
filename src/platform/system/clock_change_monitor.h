#pragma once

#include <memory>

#include "platform/fs/unique_fd.h"
#include "platform/runloop/descriptor_sources.h"
#include "platform/system/clock_change_filter.h"

namespace vigilix::platform {

// Posted on the default centre when the real-time clock was changed, and when
// the machine's time zone changed.
inline constexpr const char* kSystemClockDidChangeNotification =
    "NSSystemClockDidChangeNotification";
inline constexpr const char* kSystemTimeZoneDidChangeNotification =
    "NSSystemTimeZoneDidChangeNotification";

// Sees the real-time clock being set (a real-time timer cancelled on set), of
// which a ClockChangeFilter tells the changes, and "/etc/localtime" under the
// file-system root being replaced or rewritten (inotify on its folder, so
// that a replaced link is seen too), and posts the notices above on the main
// loop. The timer is not watched while the filter gathers sets, so a storm of
// them wakes the program once a second. A source that cannot be made is said
// in the log; the other still works. Main thread; dropping the monitor ends both.
class ClockChangeMonitor {
 public:
  static std::unique_ptr<ClockChangeMonitor> start(DescriptorSources& sources);
  ~ClockChangeMonitor();

 private:
  ClockChangeMonitor() = default;
  bool armClock();
  void clockFired();
  void zoneFolderChanged();

  std::unique_ptr<ClockChangeFilter> filter_;
  UniqueFd clock_;
  UniqueFd zone_;
  SourceHandle clockSource_;
  SourceHandle zoneSource_;
};

}  // namespace vigilix::platform
