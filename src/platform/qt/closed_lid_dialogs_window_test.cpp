#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>

#include "closedlid/closed_lid_dialogs.h"
#include "testing/qt/test_screen.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using ::testing::Contains;

// The closed-lid alerts as the Qt renderer shows them, answered through their widgets.
TEST(ClosedLidDialogsWindowTest, EachAlertShowsItsTextsAndAnswersWithTheButtonClicked) {
  testing::QtScreen screen;
  testing::TestPlatform platform;
  struct Row {
    const char* name;
    std::shared_ptr<platform::Alert> alert;
    std::size_t yes;
    std::vector<std::string> texts;
  };
  namespace Dialogs = VGXClosedLidDialogs;
  const Row rows[] = {
      {"closed_lid_enable",
       Dialogs::makeEnableConfirmation(30, 3),
       Dialogs::kEnableButton,
       {"Keep your computer awake with the lid closed?", "Cancel", "Enable Closed-Lid Mode"}},
      {"closed_lid_remove",
       Dialogs::makeRemovalConfirmation(),
       Dialogs::kRemoveButton,
       {"Remove the closed-lid helper?", "Cancel", "Remove Helper"}},
      {"closed_lid_remove_retry",
       Dialogs::makeRemovalRetry(),
       Dialogs::kTryAgainButton,
       {"Couldn't remove the helper — Try Again", "Try Again", "Cancel"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::optional<bool> answer;
    Dialogs::present(row.alert, row.yes, [&answer](bool yes) { answer = yes; });
    auto* dialog = screen.dialogOf(row.alert->window().get());
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
    const auto texts = testing::accessibleTexts(dialog);
    for (const std::string& text : row.texts) EXPECT_THAT(texts, Contains(text));
    QImage shot = testing::saveScreenshot(dialog, row.name);
    EXPECT_EQ(shot.size(), dialog->size());
    QTest::mouseClick(
        screen.widgetOf(row.alert->window().get(), row.alert->buttons().at(row.yes).get()),
        Qt::LeftButton);
    EXPECT_EQ(answer, true);
    EXPECT_EQ(screen.dialogOf(row.alert->window().get()), nullptr);
  }
}

}  // namespace
}  // namespace vigilix
