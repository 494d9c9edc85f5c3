#include "closedlid/closed_lid_dialogs.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/ui/event.h"
#include "testing/test_platform.h"
#include "testing/ui_driver.h"

namespace vigilix {
namespace {

namespace ui = testing::ui;
namespace Dialogs = VGXClosedLidDialogs;

TEST(ClosedLidDialogsTest, TextsButtonsAndWhichAnswerEachKeyGives) {
  struct Row {
    const char* name;
    std::shared_ptr<platform::Alert> (*make)();
    std::string title;
    std::string text;
    std::vector<std::string> buttons;
    std::size_t yes;
  };
  const Row rows[] = {
      {"enable, floor 40, cap 1",
       [] { return Dialogs::makeEnableConfirmation(40, 1); },
       "Keep your computer awake with the lid closed?",
       "Vigilix stops if your computer gets hot, when the battery reaches 40%, and after 1 hour "
       "on battery. Vigilix locks your computer when you close the lid. Keep your computer "
       "somewhere it can cool — not in a bag or under a blanket.",
       {"Cancel", "Enable Closed-Lid Mode"},
       Dialogs::kEnableButton},
      {"remove",
       [] { return Dialogs::makeRemovalConfirmation(); },
       "Remove the closed-lid helper?",
       "Vigilix stops keeping your computer awake with the lid closed and removes its helper.",
       {"Cancel", "Remove Helper"},
       Dialogs::kRemoveButton},
      {"retry removal",
       [] { return Dialogs::makeRemovalRetry(); },
       "Couldn't remove the helper — Try Again",
       "",
       {"Try Again", "Cancel"},
       Dialogs::kTryAgainButton},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    auto shown = row.make();
    EXPECT_EQ(shown->messageText(), row.title);
    EXPECT_EQ(shown->informativeText(), row.text);
    std::vector<std::string> titles;
    for (const auto& button : shown->buttons()) titles.push_back(button->title());
    EXPECT_EQ(titles, row.buttons);

    // Each button, then Return and Escape: only the first button's key works.
    for (std::size_t press = 0; press < 4; ++press) {
      SCOPED_TRACE(press);
      auto alert = row.make();
      std::optional<bool> answer;
      Dialogs::present(alert, row.yes, [&answer](bool yes) { answer = yes; });
      if (press < 2) ui::click(*alert->buttons().at(press));
      if (press == 2) ui::pressKey(*alert->window(), platform::KeyCode::Return);
      if (press == 3) ui::pressKey(*alert->window(), platform::KeyCode::Escape);
      const std::optional<bool> expected = press < 2    ? std::optional<bool>(press == row.yes)
                                           : press == 2 ? std::optional<bool>(row.yes == 0)
                                                        : std::nullopt;
      EXPECT_EQ(answer, expected);
      if (alert->isPresented()) alert->buttons().at(0)->performClick();
    }
  }
}

}  // namespace
}  // namespace vigilix
