#pragma once

namespace vigilix::platform {

// Posted on the workspace's centre when an application has launched or quit.
inline constexpr const char* kWorkspaceDidLaunchApplicationNotification =
    "NSWorkspaceDidLaunchApplicationNotification";
inline constexpr const char* kWorkspaceDidTerminateApplicationNotification =
    "NSWorkspaceDidTerminateApplicationNotification";
// Posted on the workspace's centre when the user's login session was
// switched away and back.
inline constexpr const char* kWorkspaceSessionDidResignActiveNotification =
    "NSWorkspaceSessionDidResignActiveNotification";
inline constexpr const char* kWorkspaceSessionDidBecomeActiveNotification =
    "NSWorkspaceSessionDidBecomeActiveNotification";
// Posted on the workspace's centre when the screens went dark and came back.
inline constexpr const char* kWorkspaceScreensDidSleepNotification =
    "NSWorkspaceScreensDidSleepNotification";
inline constexpr const char* kWorkspaceScreensDidWakeNotification =
    "NSWorkspaceScreensDidWakeNotification";
// Posted on the workspace's centre when the lid was opened or closed.
inline constexpr const char* kWorkspaceLidDidChangeNotification =
    "VGXWorkspaceLidDidChangeNotification";
// Posted on the default centre when displays are added, removed or rearranged.
inline constexpr const char* kApplicationDidChangeScreenParametersNotification =
    "NSApplicationDidChangeScreenParametersNotification";

}  // namespace vigilix::platform
