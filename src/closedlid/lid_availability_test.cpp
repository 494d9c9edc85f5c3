#include "closedlid/lid_availability.h"

#include <gtest/gtest.h>

#include "sleepguard/common/guard_names.h"

namespace vigilix {
namespace {

using enum VGXLidAvailabilityKind;

// Everything in place for a ready closed-lid mode; each row changes one or two facts.
VGXLidEnvironment readyEnvironment() {
  return {.isStoreBuild = false,
          .hardware = VGXLidHardware::hasLid,
          .platformSupported = true,
          .policyDisabled = false,
          .installedInPlace = true,
          .registration = VGXLidRegistration::enabled,
          .everRegistered = true,
          .guardReady = true,
          .helperError = std::nullopt,
          .featureEnabled = true,
          .guardJobInstalled = true};
}

TEST(LidAvailabilityTest, TheFirstMatchingRuleDecidesAndTheReasonLineFollows) {
  struct Row {
    const char* name;
    void (*change)(VGXLidEnvironment&);
    VGXLidAvailability expected;
    std::optional<std::string> text;
    bool mayEnable;
  };
  const Row rows[] = {
      {"all in place", [](VGXLidEnvironment&) {}, {ready, {}}, std::nullopt, true},
      {"flag off, guard installed: only removal",
       [](VGXLidEnvironment& e) { e.featureEnabled = false; },
       {removeOnly, {}},
       std::nullopt,
       false},
      {"flag off, nothing installed, even on an unsupported build",
       [](VGXLidEnvironment& e) {
         e.featureEnabled = false;
         e.guardJobInstalled = false;
         e.platformSupported = false;
       },
       {hidden, {}},
       std::nullopt,
       false},
      {"store build",
       [](VGXLidEnvironment& e) { e.isStoreBuild = true; },
       {hidden, {}},
       std::nullopt,
       false},
      {"no lid before an unsupported build",
       [](VGXLidEnvironment& e) {
         e.hardware = VGXLidHardware::noLid;
         e.platformSupported = false;
       },
       {hidden, {}},
       std::nullopt,
       false},
      {"guard not shipped, before the unknown lid",
       [](VGXLidEnvironment& e) {
         e.platformSupported = false;
         e.hardware = VGXLidHardware::unknown;
       },
       {unsupportedMac, {}},
       "Not available on this computer yet",
       false},
      {"lid unknown, before the policy",
       [](VGXLidEnvironment& e) {
         e.hardware = VGXLidHardware::unknown;
         e.policyDisabled = true;
       },
       {unknownLid, {}},
       "Couldn't check this computer's lid",
       false},
      {"policy",
       [](VGXLidEnvironment& e) { e.policyDisabled = true; },
       {policyDisabled, {}},
       "Managed by your organization.",
       false},
      {"elsewhere than the installed path, even when registered",
       [](VGXLidEnvironment& e) { e.installedInPlace = false; },
       {moveToApplications, {}},
       "Move Vigilix to " + VGXGuardNames::appPath() + " first",
       false},
      {"waiting for approval",
       [](VGXLidEnvironment& e) { e.registration = VGXLidRegistration::requiresApproval; },
       {needsApproval, {}},
       "Allow Vigilix when the administrator password is asked for",
       true},
      {"registration unknown",
       [](VGXLidEnvironment& e) { e.registration = VGXLidRegistration::unknown; },
       {needsHelper, {}},
       "Needs a helper to be installed",
       true},
      {"unregistered after having been registered",
       [](VGXLidEnvironment& e) { e.registration = VGXLidRegistration::notRegistered; },
       {turnedOffInSettings, {}},
       "Turned off by an administrator",
       true},
      {"not found, never registered",
       [](VGXLidEnvironment& e) {
         e.registration = VGXLidRegistration::notFound;
         e.everRegistered = false;
       },
       {needsHelper, {}},
       "Needs a helper to be installed",
       true},
      {"helper failed, before the guard's readiness",
       [](VGXLidEnvironment& e) {
         e.helperError = "disk full";
         e.guardReady = false;
       },
       {helperFailed, "disk full"},
       "Couldn't set up the helper: disk full",
       true},
      {"registered, guard not connected",
       [](VGXLidEnvironment& e) { e.guardReady = false; },
       {needsHelper, {}},
       "Needs a helper to be installed",
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    VGXLidEnvironment environment = readyEnvironment();
    row.change(environment);
    const VGXLidAvailability decided = VGXLidModel::decideAvailability(environment);
    EXPECT_EQ(VGXLidModel::availabilityName(decided.kind),
              VGXLidModel::availabilityName(row.expected.kind));
    EXPECT_EQ(decided, row.expected);
    EXPECT_EQ(VGXLidModel::availabilityText(decided), row.text);
    EXPECT_EQ(VGXLidModel::allowsEnabling(decided.kind), row.mayEnable);
  }
}

TEST(LidAvailabilityTest, FeatureFlagAndCapTexts) {
  struct Row {
    const char* flag;
    bool enabled;
  };
  const Row rows[] = {{"YES ", true}, {"\t1\n", true}, {"True", true}, {"no", false},
                      {"", false},    {"yess", false}, {"0", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.flag);
    EXPECT_EQ(VGXLidModel::featureFlagEnabled(row.flag), row.enabled);
  }
  EXPECT_EQ(VGXLidModel::capDurationText(1), "1 hour");
  EXPECT_EQ(VGXLidModel::capDurationText(6), "6 hours");
}

}  // namespace
}  // namespace vigilix
