#include "closedlid/closed_lid_settings_model.h"

#include <gtest/gtest.h>

#include "testing/closedlid/closed_lid_test_world.h"

namespace vigilix {
namespace {

using enum VGXLidAvailabilityKind;
using ClosedLidSettingsModelTest = ClosedLidTest;

TEST_F(ClosedLidSettingsModelTest, EachAvailabilityShowsItsControls) {
  struct Row {
    const char* name;
    void (*change)(World&, FakeHelperLink&, testing::TestUserDefaults&);
    VGXLidAvailabilityKind availability;
    bool visible, removalOnly, switchOn, switchEnabled, askAgain, tryAgain, remove;
  };
  const Row rows[] = {
      {"ready", [](World&, FakeHelperLink&, testing::TestUserDefaults&) {}, ready, true, false,
       true, true, false, false, true},
      {"ready, turned off: the switch shows off and can be turned on",
       [](World&, FakeHelperLink&, testing::TestUserDefaults& d) { d.set(Keys::enabled, false); },
       ready, true, false, false, true, false, false, true},
      {"hidden",
       [](World& w, FakeHelperLink& h, testing::TestUserDefaults&) {
         w.featureEnabled = false;
         h.state = VGXLidRegistration::notFound;
       },
       hidden, false, false, false, false, false, false, false},
      {"removal only",
       [](World& w, FakeHelperLink&, testing::TestUserDefaults&) { w.featureEnabled = false; },
       removeOnly, true, true, false, false, false, false, true},
      {"unsupported, setting on",
       [](World& w, FakeHelperLink&, testing::TestUserDefaults&) { w.platformSupported = false; },
       unsupportedMac, true, false, false, false, false, false, true},
      {"lid unknown", [](World& w, FakeHelperLink&, testing::TestUserDefaults&) { w.lid = {}; },
       unknownLid, true, false, false, false, false, false, true},
      {"policy",
       [](World& w, FakeHelperLink&, testing::TestUserDefaults&) { w.policyDisabled = true; },
       policyDisabled, true, false, false, false, false, false, true},
      {"waiting for approval",
       [](World&, FakeHelperLink& h, testing::TestUserDefaults&) {
         h.state = VGXLidRegistration::requiresApproval;
       },
       needsApproval, true, false, true, true, true, false, true},
      {"turned off, setting off: the switch follows the setting",
       [](World&, FakeHelperLink& h, testing::TestUserDefaults& d) {
         h.state = VGXLidRegistration::notRegistered;
         d.set(Keys::everRegistered, true);
         d.set(Keys::enabled, false);
       },
       turnedOffInSettings, true, false, false, true, true, false, false},
      {"registration never made: needs a helper",
       [](World&, FakeHelperLink& h, testing::TestUserDefaults&) {
         h.state = VGXLidRegistration::notFound;
         h.registerFailure = "refused";
       },
       needsHelper, true, false, true, true, false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    world = World{};
    testing::TestUserDefaults rowDefaults;
    rowDefaults.set(Keys::enabled, true);
    FakeHelperLink rowHelper;
    VGXClosedLidController rowController{rowDefaults, inputs(), effects(), client, rowHelper};
    row.change(world, rowHelper, rowDefaults);
    rowController.recompute(false);
    VGXClosedLidSettingsModel model(rowController, rowDefaults, {});
    const VGXClosedLidSectionState& s = model.state();
    EXPECT_EQ(VGXLidModel::availabilityName(rowController.availability().kind),
              VGXLidModel::availabilityName(row.availability));
    EXPECT_EQ(s.visible, row.visible);
    EXPECT_EQ(s.removalOnly, row.removalOnly);
    EXPECT_EQ(s.switchOn, row.switchOn);
    EXPECT_EQ(s.switchEnabled, row.switchEnabled);
    EXPECT_EQ(s.showAskAgain, row.askAgain);
    EXPECT_EQ(s.showTryAgain, row.tryAgain);
    EXPECT_EQ(s.showRemove, row.remove);
    EXPECT_EQ(s.reason, VGXLidModel::availabilityText(rowController.availability()));
  }
}

TEST_F(ClosedLidSettingsModelTest, PickersKeepAStoredOddValueAndManagedOnesDoNotChange) {
  defaults.set(Keys::batteryFloor, 35);
  defaults.set(Keys::batteryCapHours, 4);
  controller.recompute(false);
  VGXClosedLidSettingsModel model(controller, defaults, {});
  std::vector<std::string> floors, caps;
  for (const auto& choice : model.state().floorChoices) floors.push_back(choice.label);
  for (const auto& choice : model.state().capChoices) caps.push_back(choice.label);
  EXPECT_EQ(floors, (std::vector<std::string>{"20%", "30%", "35%", "40%", "50%", "60%"}));
  EXPECT_EQ(caps, (std::vector<std::string>{"1 hour", "2 hours", "3 hours", "6 hours"}))
      << "a stored 4 reads as 3, which is a choice";

  model.chooseFloor(50);
  EXPECT_EQ(model.state().batteryFloor, 50);
  EXPECT_EQ(client.calls.back().floor, 50) << "the guard hears the new floor";
  defaults.setForced(Keys::batteryCapHours, 6);
  model.refresh();
  EXPECT_TRUE(model.state().capManaged);
  model.chooseCap(1);
  EXPECT_EQ(model.state().batteryCapHours, 6);
}

TEST_F(ClosedLidSettingsModelTest, SwitchAndRemovalButtonsCallTheController) {
  VGXClosedLidSettingsModel model(
      controller, defaults,
      {.askForApprovalAgain = {}, .confirmRemoval = [](auto answer) { answer(true); }});
  model.setSwitch(false);
  EXPECT_EQ(defaults.boolValue(Keys::enabled), false);
  EXPECT_EQ(world.confirmations, 0) << "turning off runs no enabling flow";
  model.setSwitch(true);
  EXPECT_EQ(world.confirmations, 1);

  model.remove();
  ASSERT_EQ(helper.uninstalls.size(), 1u);
  world.retryOffers = 1;  // the offer is declined: the section's own button retries
  helper.uninstalls.back()("failed:busy");
  model.refresh();
  EXPECT_TRUE(model.state().showRemoveRetry);
  EXPECT_FALSE(model.state().showRemove);
  model.retryRemoval();
  ASSERT_EQ(helper.uninstalls.size(), 2u);
  helper.uninstalls.back()(std::nullopt);
  model.refresh();
  EXPECT_FALSE(model.state().showRemoveRetry);
  EXPECT_EQ(defaults.boolValue(Keys::enabled), false);
}

}  // namespace
}  // namespace vigilix
