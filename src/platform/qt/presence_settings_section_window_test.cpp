#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>

#include "direct/presence/presence_settings_section.h"
#include "testing/qt/test_screen.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using ::testing::Contains;
using ::testing::Not;

// The chat apps section in a window of its own, as the Qt renderer shows it,
// used through its widgets.
TEST(PresenceSettingsSectionWindowTest, EachStateAsShownAndTheExplanationAnsweredByClicks) {
  testing::QtScreen screen;
  testing::TestPlatform platform;
  enum class Answer { none, cancel, continueOn };
  struct Row {
    const char* name;
    VGXPresenceDisplay display;
    bool askedBefore;
    bool managedOff;
    Answer answer;  // clicks the switch first, unless none
    bool checked;
    std::vector<std::string> texts;
    std::vector<std::string> absent;
  };
  const std::string footer =
      "Moves the pointer by one pixel and back once a minute while Vigilix keeps your computer "
      "awake and you're away. Some workplaces treat tools like this as against their attendance "
      "policy \u2014 check before you turn it on.";
  const std::string managed = "Managed by your organization.";
  const std::string wayland =
      "This session runs Wayland, which lets no application move the pointer. Log in to an X11 "
      "session to use Keep Chat Apps Active.";
  const Row rows[] = {
      {"presence_section_off",
       VGXPresenceDisplay::xtest,
       false,
       false,
       Answer::none,
       false,
       {"Chat App", "Keep Chat Apps Active", footer},
       {managed}},
      {"presence_section_cancelled",
       VGXPresenceDisplay::xtest,
       false,
       false,
       Answer::cancel,
       false,
       {footer},
       {}},
      {"presence_section_on",
       VGXPresenceDisplay::xtest,
       false,
       false,
       Answer::continueOn,
       true,
       {footer},
       {wayland}},
      {"presence_section_wayland",
       VGXPresenceDisplay::wayland,
       true,
       false,
       Answer::none,
       false,
       {wayland, footer},
       {}},
      {"presence_section_managed",
       VGXPresenceDisplay::xtest,
       true,
       true,
       Answer::none,
       false,
       {managed},
       {footer}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto& defaults = platform::UserDefaults::standard();
    defaults.remove(VGXPresence::kKeepChatAppsActive);
    defaults.set(VGXPresence::kAccessRequested, row.askedBefore);
    if (row.managedOff) {
      platform.defaults.standard().setForced(VGXPresence::kDisableChatPresence,
                                             platform::PropertyValue(true));
    } else {
      platform.defaults.standard().removeForced(VGXPresence::kDisableChatPresence);
    }
    VGXPresenceInputs inputs;
    inputs.mayPostEvents = [row] { return row.display == VGXPresenceDisplay::xtest; };
    inputs.display = row.display;
    VGXPresencePoster::Functions functions;
    functions.schedule = [](double, std::function<void()>) { return [] {}; };
    functions.now = [] { return platform::Date(0); };
    auto feature = VGXPresenceFeature::make(defaults, inputs, functions);
    feature->install();

    auto section = VGXPresenceSettingsSection::make(feature);
    auto window = std::make_shared<platform::Window>(platform::Rect(0, 0, 460, 220),
                                                     platform::WindowStyle::Titled);
    window->setContentView(section);
    window->makeKeyAndOrderFront();
    auto* dialog = screen.dialogOf(window.get());
    ASSERT_TRUE(dialog);
    if (row.answer != Answer::none) {
      QTest::mouseClick(screen.widgetOf(window.get(), section->toggle().get()), Qt::LeftButton);
      ASSERT_TRUE(section->presentedSheet());
      const auto sheet = section->presentedSheet();
      auto* sheetDialog = screen.dialogOf(sheet->window().get());
      ASSERT_TRUE(sheetDialog);
      EXPECT_THAT(testing::accessibleTexts(sheetDialog), Contains(VGXPresenceTexts::explanation()));
      testing::saveScreenshot(sheetDialog, "presence_explanation_sheet");
      const auto& button =
          row.answer == Answer::cancel ? sheet->cancelButton() : sheet->continueButton();
      QTest::mouseClick(screen.widgetOf(sheet->window().get(), button.get()), Qt::LeftButton);
      EXPECT_EQ(window->attachedSheet(), nullptr);
      EXPECT_EQ(section->presentedSheet(), nullptr);
    }
    platform.runUntilIdle();
    EXPECT_EQ(section->toggle()->isOn(), row.checked);
    const auto texts = testing::accessibleTexts(dialog);
    for (const std::string& text : row.texts) EXPECT_THAT(texts, Contains(text));
    for (const std::string& text : row.absent) EXPECT_THAT(texts, Not(Contains(text)));
    const QImage shot = testing::saveScreenshot(dialog, row.name);
    EXPECT_EQ(shot.size(), dialog->size());
    window->close();
  }
}

}  // namespace
}  // namespace vigilix
