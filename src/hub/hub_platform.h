#pragma once

#include <functional>

#include "platform/locale/calendar.h"

namespace vigilix {

namespace platform {
class BookmarkService;
class Clock;
class DispatchQueue;
class FileResources;
class NotificationCenter;
class RunLoop;
class RunningApplications;
}  // namespace platform

// The platform's services, as the hub reaches them: each handed in by the
// application's composition, none looked up by the hub itself.
struct VGXHubPlatform {
  platform::Clock* clock = nullptr;
  // The calendar of the user's time zone now.
  std::function<platform::Calendar()> calendar = {};
  // The tick and watch timers run here.
  platform::RunLoop* mainLoop = nullptr;
  // Work that arrives on another thread moves here.
  platform::DispatchQueue* mainQueue = nullptr;
  // The default centre, and the workspace's (wake).
  platform::NotificationCenter* notifications = nullptr;
  platform::NotificationCenter* workspace = nullptr;
  // File watches: security scope, bookmarks and the files themselves.
  platform::BookmarkService* bookmarks = nullptr;
  platform::FileResources* files = nullptr;
  // App watches: the running applications.
  platform::RunningApplications* applications = nullptr;

  // The process's own services, for the composition to hand in (the hub never calls this).
  static VGXHubPlatform current();
};

}  // namespace vigilix
