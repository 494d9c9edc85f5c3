#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "dbus/test_child_process.h"
#include "platform/dbus/bus_connection.h"
#include "testing/scoped_environment.h"
#include "tray_screen/screenshot.h"

namespace vigilix::testing {

class XvfbScreen;

// xfce4-panel as the tray host: one panel along the top of `screen` holding
// an expanding separator and the status tray plugin. The plugin runs in its
// own process (the panel's wrapper-2.0, a child of the panel), and that
// process is the org.kde.StatusNotifierWatcher. Its settings come from
// xfconfd, started here because the private session bus starts no services.
// Home, XDG folders and runtime folder point into `folder` while it lives,
// so neither the host nor what starts after it writes to the real home.
// Needs a private session bus and the screen. Throws std::runtime_error with
// the logs when the panel or its watcher does not come up in time.
class XfcePanelHost {
 public:
  static constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";

  XfcePanelHost(const std::filesystem::path& folder, const XvfbScreen& screen);
  ~XfcePanelHost();
  XfcePanelHost(const XfcePanelHost&) = delete;
  XfcePanelHost& operator=(const XfcePanelHost&) = delete;

  // The panel window on the screen.
  const ScreenBox& panel() const { return panel_; }
  // The command line of the process that owns the watcher's name, words joined by spaces.
  std::string watcherCommand() const;
  // The items the watcher lists (RegisteredStatusNotifierItems).
  std::vector<std::string> registeredItems() const;
  std::string log() const;

 private:
  std::filesystem::path folder_;
  std::optional<platform::BusConnection> bus_;
  ScopedEnvironment environment_;
  std::optional<TestChildProcess> settings_;
  std::optional<TestChildProcess> panelProcess_;
  pid_t watcherPid_ = -1;
  ScreenBox panel_;
};

}  // namespace vigilix::testing
