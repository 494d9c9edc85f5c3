// Every pane of the settings window, with the sections the direct build puts
// into it, and the sheets and alerts opened from them, as the Qt renderer
// shows them: no text cut off, no control over another, every caption under
// its control. CTest runs it again at twice the scale (QT_SCALE_FACTOR=2).
#include <gtest/gtest.h>

#include <QApplication>

#include "agents/agent_settings_slot.h"
#include "agentsettings/agent_hook_features.h"
#include "agentsettings/agent_settings_section.h"
#include "closedlid/closed_lid_settings_section.h"
#include "closedlid/closed_lid_test_world.h"
#include "direct/presence/presence_settings_section.h"
#include "menubar/activation_durations_controller.h"
#include "menubar/global_shortcut_center.h"
#include "platform/qt/layout_check.h"
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

namespace vigilix {
namespace {

using platform::WindowRendering;
using testing::CaptionOf;

// The hub as the Triggers pane sees it, idle.
class IdleHub final : public TriggersSettingsHub {
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

// Each caption of the panes and the control it belongs to.
const std::vector<CaptionOf>& paneCaptions() {
  static const std::vector<CaptionOf> captions{
      // General, with the closed-lid section.
      {"Stops if your computer gets hot", "On Battery, Stop After"},
      {"Vigilix locks your computer when you close the lid.", "Remove Helper\u2026"},
      {"Automatically opens Vigilix when you start your computer.", "Open at Login"},
      {"Starts or stops keeping your computer awake from any app.", "Keep Awake Shortcut"},
      {"Trays show no text beside the icon", "Show Time Left in Tray"},
      {"Vigilix lets your computer sleep while it's very hot", "Stop Keeping Awake on Low Battery"},
      {"Turn on the power saver profile", "Stop Keeping Awake in Low Power Mode"},
      // Durations.
      {"Timed sessions count from the last time you used your computer.",
       "Restart the Timer When I Use My Computer"},
      // Triggers, with the chat section.
      {"Moves the pointer by one pixel", "Keep Chat Apps Active"},
      {"External display, on power", "At My Desk"},
      {"Microphone or camera in use", "In Calls"},
      {"Network activity, on power", "Overnight Download"},
      {"Keynote or PowerPoint in front", "Presenting"},
      {"Vigilix keeps your computer awake while any condition below matches.",
       "Enable Automatic Keep-Awake"},
      {"Not connected to a Wi-Fi network.", "Add Current Network"},
      {"On when any microphone or camera is in use.", "Not connected to a Wi-Fi network."},
      {"Conditions apply only while your computer is connected to power.", "Only While on Power"},
      {"Uses your computer's time zone.", "Keep Awake on a Schedule"},
  };
  return captions;
}

class WindowLayoutTest : public ClosedLidTest {
 public:
  WindowLayoutTest() {
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
    window = VGXSettingsWindow::make({standard,
                                      durations,
                                      loginItem,
                                      *shortcuts,
                                      "sudo ln -sf '/opt/vigilix/vigilix' /usr/local/bin/vigilix",
                                      {},
                                      [] {},
                                      VGXTriggersSettingsPane::make(standard, hub)});
    window->makeKeyAndOrderFront();
    platform.runUntilIdle();
    WindowRendering::flush();
  }
  ~WindowLayoutTest() override {
    window->close();
    VGXClosedLidSettingsSlot::setSection(nullptr);
    VGXAgentSettingsSlot::setAgentSection(nullptr);
    VGXAgentSettingsSlot::setChatSection(nullptr);
  }

  // The faults of the shown window and its captions, from the top of a
  // scrolling pane to its end; the captions judged go to `judged`.
  std::vector<std::string> faultsOfPane(const std::string& name, std::vector<std::string>& judged) {
    window->layoutIfNeeded();
    auto* scroll = dynamic_cast<platform::ScrollView*>(window->selectedPaneView().get());
    std::vector<std::string> faults;
    for (double offset = 0;; offset += 80) {
      if (scroll) {
        scroll->scrollToVerticalOffset(offset);
        window->layoutIfNeeded();
      }
      WindowRendering::flush();
      auto* dialog = screen.dialogOf(window.get());
      for (auto& fault : testing::layoutFaults(dialog)) faults.push_back(fault);
      for (auto& fault : testing::captionFaults(dialog, paneCaptions(), &judged))
        faults.push_back(fault);
      if (!scroll || offset >= scroll->maximumVerticalOffset()) break;
    }
    testing::saveScreenshot(screen.dialogOf(window.get()), "layout_" + name);
    std::ranges::sort(faults);
    faults.erase(std::ranges::unique(faults).begin(), faults.end());
    return faults;
  }

  testing::QtScreen screen;
  testing::TestPlatform platform;
  testing::PinnedLocale pin{"en_GB", "Europe/London"};
  testing::TemporaryRoot root;
  platform::UserDefaults& standard = platform::UserDefaults::standard();
  DZLActivationDurationsController durations{standard};
  testing::FakeLoginItem loginItem;
  testing::FakeHotKeys hotKeys;
  std::shared_ptr<VGXGlobalShortcutCenter> shortcuts =
      VGXGlobalShortcutCenter::create(standard, hotKeys);
  std::shared_ptr<VGXPresenceFeature> presence;
  std::shared_ptr<IdleHub> hub = std::make_shared<IdleHub>();
  std::shared_ptr<VGXSettingsWindow> window;
};

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

TEST_F(WindowLayoutTest, EveryPaneShowsAllItsTextWithEachCaptionUnderItsControl) {
  std::vector<std::string> judged;
  for (const char* pane : {"general", "durations", "triggers"}) {
    SCOPED_TRACE(pane);
    ASSERT_TRUE(window->selectPaneWithIdentifier(pane));
    const auto faults = faultsOfPane(pane, judged);
    EXPECT_TRUE(faults.empty()) << joined(faults);
  }
  // Each caption was seen whole with its control at some scroll position.
  for (const CaptionOf& pair : paneCaptions()) {
    EXPECT_NE(std::ranges::find(judged, pair.caption), judged.end())
        << "\"" << pair.caption << "\" was never on screen with \"" << pair.control << "\"";
  }
}

}  // namespace
}  // namespace vigilix
