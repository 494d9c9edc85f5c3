#include "direct/presence/presence_settings_model.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "testing/test_platform.h"

namespace vigilix {
namespace {

struct Situation {
  bool mayPost = true;
  VGXPresenceDisplay display = VGXPresenceDisplay::xtest;
  bool askedBefore = false;
  std::optional<bool> stored;
  bool managedOff = false;
};

std::shared_ptr<VGXPresenceFeature> makeFeature(const Situation& setup) {
  VGXPresenceInputs inputs;
  inputs.mayPostEvents = [mayPost = setup.mayPost] { return mayPost; };
  inputs.display = setup.display;
  VGXPresencePoster::Functions functions;
  functions.schedule = [](double, std::function<void()>) { return [] {}; };
  functions.now = [] { return platform::Date(0); };
  return VGXPresenceFeature::make(platform::UserDefaults::standard(), inputs, functions);
}

TEST(PresenceSettingsModelTest, TheSwitchTheExplanationAndTheLinesInEachState) {
  using Model = VGXPresenceSettingsModel;
  using Access = VGXPresenceAccessState;
  const auto on = [](Model& m) { m.setSwitch(true); };
  // The switch turned on, then the explanation answered.
  const auto cancelled = [](Model& m) {
    m.setSwitch(true);
    m.cancelExplanation();
  };
  const auto confirmed = [](Model& m) {
    m.setSwitch(true);
    m.continueExplanation();
  };
  struct Row {
    const char* name;
    Situation setup;
    std::function<void(Model&)> act;
    bool shown;
    bool explanation;
    std::optional<bool> stored;
    Access access;
    const char* line;  // a part of the access line; nullptr: none
    const char* footer;
  };
  const char* const usual =
      "Moves the pointer by one pixel and back once a minute while Vigilix "
      "keeps your computer awake";
  const char* const managed = "Managed by your organization.";
  const Row rows[] = {
      {"at first: off, nothing in the way",
       {},
       {},
       false,
       false,
       std::nullopt,
       Access::notRequested,
       nullptr,
       usual},
      {"the first switch-on explains and writes nothing",
       {},
       on,
       false,
       true,
       std::nullopt,
       Access::notRequested,
       nullptr,
       usual},
      {"Cancel leaves it off",
       {},
       cancelled,
       false,
       false,
       std::nullopt,
       Access::notRequested,
       nullptr,
       usual},
      {"Continue on an X display with XTest: on",
       {},
       confirmed,
       true,
       false,
       true,
       Access::ready,
       nullptr,
       usual},
      {"Continue under Wayland: stored on, denied with the reason",
       {false, VGXPresenceDisplay::wayland, false, std::nullopt, false},
       confirmed,
       true,
       false,
       true,
       Access::denied,
       "runs Wayland",
       usual},
      {"asked before: on at once, no explanation",
       {true, VGXPresenceDisplay::xtest, true, std::nullopt, false},
       on,
       true,
       false,
       true,
       Access::ready,
       nullptr,
       usual},
      {"denied on a display without XTest: switching on does nothing",
       {false, VGXPresenceDisplay::noXTest, true, std::nullopt, false},
       on,
       false,
       false,
       std::nullopt,
       Access::denied,
       "no XTest extension",
       usual},
      {"denied without a display",
       {false, VGXPresenceDisplay::noDisplay, true, std::nullopt, false},
       {},
       false,
       false,
       std::nullopt,
       Access::denied,
       "no X display",
       usual},
      {"managed off: shown off, switching on does nothing",
       {true, VGXPresenceDisplay::xtest, true, true, true},
       on,
       false,
       false,
       true,
       Access::ready,
       nullptr,
       managed},
      {"switched off: stores false",
       {true, VGXPresenceDisplay::xtest, true, true, false},
       [](Model& m) { m.setSwitch(false); },
       false,
       false,
       false,
       Access::ready,
       nullptr,
       usual},
      {"changed elsewhere: the next refresh shows it",
       {true, VGXPresenceDisplay::xtest, true, std::nullopt, false},
       [](Model& m) {
         platform::UserDefaults::standard().set(VGXPresence::kKeepChatAppsActive, true);
         m.refresh();
       },
       true,
       false,
       true,
       Access::ready,
       nullptr,
       usual},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    auto& defaults = platform::UserDefaults::standard();
    if (row.setup.askedBefore) defaults.set(VGXPresence::kAccessRequested, true);
    if (row.setup.stored) defaults.set(VGXPresence::kKeepChatAppsActive, *row.setup.stored);
    if (row.setup.managedOff) {
      platform.defaults.standard().setForced(VGXPresence::kDisableChatPresence,
                                             platform::PropertyValue(true));
    }
    auto feature = makeFeature(row.setup);
    feature->install();
    Model model(feature);
    if (row.act) row.act(model);
    EXPECT_EQ(model.switchShown(), row.shown);
    EXPECT_EQ(model.showExplanation(), row.explanation);
    const auto written = defaults.userValue(VGXPresence::kKeepChatAppsActive);
    EXPECT_EQ(
        written && written->isBool() ? std::optional(std::get<bool>(written->value)) : std::nullopt,
        row.stored);
    EXPECT_EQ(model.accessState(), row.access);
    const auto line = model.accessLine();
    EXPECT_EQ(line.has_value(), row.line != nullptr) << line.value_or("");
    if (line && row.line) {
      EXPECT_NE(line->find(row.line), std::string::npos) << *line;
    }
    EXPECT_EQ(model.footer().rfind(row.footer, 0), 0u) << model.footer();
  }
}

}  // namespace
}  // namespace vigilix
