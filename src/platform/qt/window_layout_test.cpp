// Every pane of the settings window, with the sections the direct build puts
// into it, and the sheets and alerts opened from them, as the Qt renderer
// shows them: no text cut off, no control over another, every caption under
// its control. CTest runs it again at twice the scale (QT_SCALE_FACTOR=2).
#include <gtest/gtest.h>

#include <QTest>

#include "platform/qt/full_settings_window.h"
#include "platform/qt/layout_check.h"

namespace vigilix {
namespace {

using platform::WindowRendering;
using testing::CaptionOf;

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

class WindowLayoutTest : public testing::FullSettingsWindowTest {
 public:
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

// The sheets and alerts the panes open, each as it first shows; the add
// sheet also with its error line. Escape closes each.
TEST_F(WindowLayoutTest, EverySheetAndAlertShowsAllItsText) {
  auto& durationsPane = window->durationsPane();
  auto& general = window->generalPane();
  auto agents = std::dynamic_pointer_cast<VGXAgentSettingsSection>(triggers->agentSection());
  auto chat = std::dynamic_pointer_cast<VGXPresenceSettingsSection>(triggers->chatSection());
  ASSERT_TRUE(agents && chat);
  struct Row {
    const char* name;
    const char* pane;
    std::function<std::shared_ptr<platform::Window>()> open;
  };
  const Row rows[] = {
      {"welcome", "general",
       [&] {
         general.setShowWelcome(true);
         return general.welcomeSheet()->window();
       }},
      {"add_duration", "durations",
       [&] {
         durationsPane.addButton()->performClick();
         return durationsPane.addSheet()->window();
       }},
      {"add_duration_refused", "durations",
       [&] {
         durationsPane.addButton()->performClick();
         durationsPane.addSheet()->hoursField()->setStringValue("1000");
         durationsPane.addSheet()->addButton()->performClick();
         return durationsPane.addSheet()->window();
       }},
      {"reset_alert", "durations",
       [&] {
         durationsPane.resetButton()->performClick();
         return durationsPane.resetAlertWindow();
       }},
      {"agent_install_sheet", "triggers",
       [&] {
         agents->rows().at(0)->buttons().at(0)->performClick();
         return agents->presentedSheet()->window();
       }},
      {"chat_explanation", "triggers",
       [&] {
         chat->toggle()->performClick();
         return chat->presentedSheet()->window();
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(window->selectPaneWithIdentifier(row.pane));
    platform.runUntilIdle();
    const auto sheet = row.open();
    ASSERT_TRUE(sheet);
    WindowRendering::flush();
    QWidget* dialog = screen.dialogOf(sheet.get());
    ASSERT_TRUE(dialog);
    testing::saveScreenshot(dialog, std::string("layout_") + row.name);
    const auto faults = testing::layoutFaults(dialog);
    EXPECT_TRUE(faults.empty()) << joined(faults);
    QTest::keyClick(dialog, Qt::Key_Escape);
    platform.runUntilIdle();
    EXPECT_EQ(window->attachedSheet(), nullptr);
  }
}

}  // namespace
}  // namespace vigilix
