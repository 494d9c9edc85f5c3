#pragma once

namespace vigilix::platform {

// Posted on the workspace's centre when an application has launched or quit.
inline constexpr const char* kWorkspaceDidLaunchApplicationNotification =
    "NSWorkspaceDidLaunchApplicationNotification";
inline constexpr const char* kWorkspaceDidTerminateApplicationNotification =
    "NSWorkspaceDidTerminateApplicationNotification";
// Posted on the default centre when displays are added, removed or rearranged.
inline constexpr const char* kApplicationDidChangeScreenParametersNotification =
    "NSApplicationDidChangeScreenParametersNotification";

}  // namespace vigilix::platform
