#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "agents/agent_settings_slot.h"
#include "agentsettings/agent_hook_features.h"
#include "agentsettings/agent_settings_section.h"
#include "closedlid/closed_lid_settings_section.h"
#include "closedlid/closed_lid_test_world.h"
#include "direct/presence/presence_settings_section.h"
#include "menubar/activation_durations_controller.h"
#include "menubar/global_shortcut_center.h"
#include "platform/qt/test_screen.h"
#include "platform/ui/window_rendering.h"
#include "settings/closed_lid_settings_slot.h"
#include "settings/settings_window.h"
#include "settings/triggers/triggers_settings_pane.h"
#include "testing/fake_hot_keys.h"
#include "testing/fake_login_item.h"
#include "testing/pinned_locale.h"
#include "testing/temporary_root.h"
#include "testing/test_platform.h"

namespace vigilix::testing {

// The hub as the Triggers pane sees it, idle.
class IdleTriggersHub final : public TriggersSettingsHub {
 public:
  void reloadConfiguration() override {}
  void setAutomationEnabled(bool) override {}
  bool watchFileAt(const std::string&) override { return false; }
  TriggerPause pause() const override { return TriggerPause::none(); }
  std::vector<TriggerReason> currentReasons() const override { return {}; }
  StatusTextContext statusTextContext() const override { return {}; }
  std::vector<Watch> activeWatches() const override { return {}; }
  void stopWatch(const std::string&) override {}
  bool watchApp(std::int32_t) override { return false; }
};

// The settings window as the direct build shows it, shown by the Qt
// renderer: the closed-lid section in General, the agent and chat sections
// in Triggers, the command-line tool row.
class FullSettingsWindowTest : public ClosedLidTest {
 public:
  FullSettingsWindowTest() {
    installAgentHookFeatures();
    VGXClosedLidSettingsSlot::setSection([this]() -> std::shared_ptr<platform::View> {
      return VGXClosedLidSettingsSection::make(controller, defaults, {});
    });
    VGXPresenceInputs inputs;
    inputs.mayPostEvents = [] { return true; };
    inputs.display = VGXPresenceDisplay::xtest;
    VGXPresencePoster::Functions functions;
    functions.schedule = [](double, std::function<void()>) { return [] {}; };
    functions.now = [] { return platform::Date(0); };
    presence = VGXPresenceFeature::make(standard, inputs, functions);
    presence->install();
    VGXAgentSettingsSlot::setChatSection(
        [feature = presence] { return VGXPresenceSettingsSection::make(feature); });
    controller.recompute(false);
    standard.set(kDZLDidShowWelcomeKey, true);
    triggers = VGXTriggersSettingsPane::make(standard, hub);
    window = VGXSettingsWindow::make({standard,
                                      durations,
                                      loginItem,
                                      *shortcuts,
                                      "sudo ln -sf '/opt/vigilix/vigilix' /usr/local/bin/vigilix",
                                      {},
                                      [] {},
                                      triggers});
    window->makeKeyAndOrderFront();
    platform.runUntilIdle();
    platform::WindowRendering::flush();
  }
  ~FullSettingsWindowTest() override {
    window->close();
    VGXClosedLidSettingsSlot::setSection(nullptr);
    VGXAgentSettingsSlot::setAgentSection(nullptr);
    VGXAgentSettingsSlot::setChatSection(nullptr);
  }

  platform::RenderedWindowWidget* dialog() { return screen.dialogOf(window.get()); }

  QtScreen screen;
  TestPlatform platform;
  PinnedLocale pin{"en_GB", "Europe/London"};
  TemporaryRoot root;
  platform::UserDefaults& standard = platform::UserDefaults::standard();
  DZLActivationDurationsController durations{standard};
  FakeLoginItem loginItem;
  FakeHotKeys hotKeys;
  std::shared_ptr<VGXGlobalShortcutCenter> shortcuts =
      VGXGlobalShortcutCenter::create(standard, hotKeys);
  std::shared_ptr<VGXPresenceFeature> presence;
  std::shared_ptr<IdleTriggersHub> hub = std::make_shared<IdleTriggersHub>();
  std::shared_ptr<VGXTriggersSettingsPane> triggers;  // made once its slots are filled
  std::shared_ptr<VGXSettingsWindow> window;
};

}  // namespace vigilix::testing
