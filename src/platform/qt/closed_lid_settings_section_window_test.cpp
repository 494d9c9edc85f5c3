#include <gtest/gtest.h>

#include "closedlid/closed_lid_settings_section.h"
#include "menubar/activation_durations_controller.h"
#include "menubar/global_shortcut_center.h"
#include "platform/ui/window_rendering.h"
#include "settings/closed_lid_settings_slot.h"
#include "settings/settings_window.h"
#include "testing/closedlid/closed_lid_test_world.h"
#include "testing/fake_hot_keys.h"
#include "testing/fake_login_item.h"
#include "testing/pinned_locale.h"
#include "testing/qt/test_screen.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using enum VGXLidAvailabilityKind;

// The General pane with the closed-lid section its slot makes, over a
// controller whose machine each row changes.
class ClosedLidSectionWindowTest : public ClosedLidTest {
 public:
  ClosedLidSectionWindowTest() {
    VGXClosedLidSettingsSlot::setSection([this]() -> std::shared_ptr<platform::View> {
      section = VGXClosedLidSettingsSection::make(
          controller, defaults,
          {.askForApprovalAgain = [this] { ++askedAgain; }, .confirmRemoval = {}});
      return section;
    });
  }

  testing::QtScreen screen;
  testing::TestPlatform platform;
  testing::PinnedLocale pin{"en_GB", "Europe/London"};
  DZLActivationDurationsController durations{platform::UserDefaults::standard()};
  testing::FakeLoginItem loginItem;
  testing::FakeHotKeys hotKeys;
  std::shared_ptr<VGXGlobalShortcutCenter> shortcuts =
      VGXGlobalShortcutCenter::create(platform::UserDefaults::standard(), hotKeys);
  std::shared_ptr<VGXClosedLidSettingsSection> section;
  int askedAgain = 0;
};

TEST_F(ClosedLidSectionWindowTest, EachAvailabilityShowsItsControlsInTheGeneralPane) {
  struct Shown {
    bool section, lidSwitch, switchOn, reason, askAgain, tryAgain, pickers, remove;
    bool operator==(const Shown&) const = default;
  };
  struct Row {
    const char* name;
    void (*change)(World&, FakeHelperLink&, testing::TestUserDefaults&);
    VGXLidAvailabilityKind availability;
    Shown shown;
  };
  const Row rows[] = {
      {"ready",
       [](World&, FakeHelperLink&, testing::TestUserDefaults&) {},
       ready,
       {true, true, true, false, false, false, true, true}},
      {"hidden",
       [](World& w, FakeHelperLink& h, testing::TestUserDefaults&) {
         w.featureEnabled = false;
         h.state = VGXLidRegistration::notFound;
       },
       hidden,
       {false, false, false, false, false, false, false, false}},
      {"remove_only",
       [](World& w, FakeHelperLink&, testing::TestUserDefaults&) { w.featureEnabled = false; },
       removeOnly,
       {true, false, false, false, false, false, false, true}},
      {"unsupported",
       [](World& w, FakeHelperLink&, testing::TestUserDefaults&) { w.platformSupported = false; },
       unsupportedMac,
       {true, true, false, true, false, false, true, true}},
      {"unknown_lid",
       [](World& w, FakeHelperLink&, testing::TestUserDefaults&) { w.lid = {}; },
       unknownLid,
       {true, true, false, true, false, false, true, true}},
      {"policy_disabled",
       [](World& w, FakeHelperLink&, testing::TestUserDefaults&) { w.policyDisabled = true; },
       policyDisabled,
       {true, true, false, true, false, false, true, true}},
      {"needs_helper",
       [](World&, FakeHelperLink& h, testing::TestUserDefaults&) {
         h.state = VGXLidRegistration::notFound;
       },
       needsHelper,
       {true, true, true, true, false, false, true, false}},
      {"needs_approval",
       [](World&, FakeHelperLink& h, testing::TestUserDefaults&) {
         h.state = VGXLidRegistration::requiresApproval;
       },
       needsApproval,
       {true, true, true, true, true, false, true, true}},
      {"turned_off",
       [](World&, FakeHelperLink& h, testing::TestUserDefaults& d) {
         h.state = VGXLidRegistration::notRegistered;
         d.set(Keys::everRegistered, true);
         d.set(Keys::enabled, false);
       },
       turnedOffInSettings,
       {true, true, false, true, true, false, true, false}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    world = World{};
    helper.state = VGXLidRegistration::enabled;
    defaults.set(Keys::enabled, true);
    defaults.set(Keys::everRegistered, false);
    row.change(world, helper, defaults);
    controller.recompute(false);
    ASSERT_EQ(controller.availability().kind, row.availability);

    auto window = DZLSettingsWindow::make({platform::UserDefaults::standard(),
                                           durations,
                                           loginItem,
                                           *shortcuts,
                                           std::nullopt,
                                           {},
                                           [] {}});
    window->makeKeyAndOrderFront();
    ASSERT_TRUE(section);
    EXPECT_EQ(window->generalPane().closedLidSection(), section);
    platform::WindowRendering::flush();
    const Shown shown{!section->isHidden(),
                      !section->lidSwitch()->isHidden(),
                      section->lidSwitch()->isOn(),
                      !section->reason()->isHidden(),
                      !section->askAgain()->isHidden(),
                      !section->tryAgain()->isHidden(),
                      !section->floor()->superview()->isHidden(),
                      !section->remove()->isHidden()};
    EXPECT_EQ(shown, row.shown);
    if (row.shown.askAgain) {
      ASSERT_TRUE(screen.widgetOf(window.get(), section->askAgain().get()));
      section->askAgain()->performClick();
      EXPECT_EQ(askedAgain, 1);
      askedAgain = 0;
    }
    testing::saveScreenshot(screen.dialogOf(window.get()),
                            std::string("closed_lid_section_") + row.name);
    window->close();
    section.reset();
  }
}

TEST_F(ClosedLidSectionWindowTest, PickersStepThroughTheChoicesAndShowAFailedSetup) {
  controller.recompute(false);
  auto window = DZLSettingsWindow::make(
      {platform::UserDefaults::standard(), durations, loginItem, *shortcuts, std::nullopt, {}, [] {
       }});
  window->makeKeyAndOrderFront();
  ASSERT_TRUE(section);
  defaults.set(Keys::batteryFloor, 35);
  section->render();
  EXPECT_EQ(section->floorText()->stringValue(), "35%");
  section->floor()->stepUp();
  EXPECT_EQ(defaults.integerValue(Keys::batteryFloor), 40);
  EXPECT_EQ(section->floorText()->stringValue(), "40%");
  section->cap()->stepDown();
  EXPECT_EQ(defaults.integerValue(Keys::batteryCapHours), 2);
  EXPECT_EQ(section->capText()->stringValue(), "2 hours");

  // Turned on again, the installation fails: the reason says why and offers to try again.
  section->lidSwitch()->performClick();
  section->lidSwitch()->performClick();
  ASSERT_EQ(helper.installs.size(), 1u);
  helper.installs.back()("the guard did not start");
  section->render();
  EXPECT_EQ(controller.availability().kind, helperFailed);
  EXPECT_FALSE(section->tryAgain()->isHidden());
  EXPECT_EQ(section->reason()->stringValue(),
            "Couldn't set up the helper: the guard did not start");
  testing::saveScreenshot(screen.dialogOf(window.get()), "closed_lid_section_helper_failed");
  window->close();
}

}  // namespace
}  // namespace vigilix
