#include <utility>

#include "app/download_panel.h"
#include "app/hub_neighbours.h"
#include "health/session_notifications.h"
#include "hub/trigger_bridge.h"
#include "menubar/deadline_picker.h"
#include "menubar/global_shortcut_center.h"
#include "platform/fs/user_dirs.h"
#include "platform/runloop/weakly.h"

namespace vigilix {
namespace {

using platform::weakly;

class SessionNotices : public HubSessionNotices {
 public:
  void connect(const std::shared_ptr<VGXTriggerBridge>& hub) override {
    VGXSessionNotifications& notifications = VGXSessionNotifications::shared();
    notifications.setHub({
        .extendOrRestartFifteenMinutes =
            weakly(hub, [](VGXTriggerBridge& bridge) { bridge.extendOrRestartFifteenMinutes(); }),
        .isAwake = weakly(hub, [](VGXTriggerBridge& bridge) { return bridge.isAwake(); }),
        .assertionReason =
            weakly(hub, [](VGXTriggerBridge& bridge) { return bridge.assertionReason(); }),
    });
    notifications.start();
  }
  void startNewSession() override { VGXSessionNotifications::shared().startNewSession(); }
  void postHeatStopped() override { VGXSessionNotifications::shared().postHeatStopped(); }
};

class Shortcut : public HubShortcut {
 public:
  void connect(std::function<void()> toggle) override {
    VGXGlobalShortcutCenter& shortcut = VGXGlobalShortcutCenter::shared();
    shortcut.setToggleAction(std::move(toggle));
    shortcut.start();
  }
};

class Pickers : public HubPickers {
 public:
  void presentDuration(std::function<void(double seconds)> chosen) override {
    VGXDeadlinePicker::presentDuration(std::move(chosen));
  }
  void presentUntil(std::function<void(platform::Date date)> chosen) override {
    VGXDeadlinePicker::presentUntil(std::move(chosen));
  }
  void presentDownloadPanel(std::function<void(std::vector<std::string> paths)> chosen) override {
    const auto folder = platform::userDownloadsFolder();
    vigilix::presentDownloadPanel(folder ? folder->string() : std::string(), std::move(chosen));
  }
};

}  // namespace

std::shared_ptr<HubSessionNotices> makeSessionNotices() {
  return std::make_shared<SessionNotices>();
}

std::shared_ptr<HubShortcut> makeShortcut() { return std::make_shared<Shortcut>(); }

std::shared_ptr<HubPickers> makePickers() { return std::make_shared<Pickers>(); }

}  // namespace vigilix
