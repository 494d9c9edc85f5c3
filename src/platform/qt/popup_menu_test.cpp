// A model menu popped up as Qt's own menu through the window seam: the rows
// a tray shows, at the place asked for or at the pointer; a chosen row acts.
#include <gtest/gtest.h>

#include <QCursor>
#include <QMenu>
#include <QTest>

#include "testing/qt/test_screen.h"
#include "platform/ui/menu.h"
#include "platform/ui/window_rendering.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using platform::MenuItem;

TEST(PopUpMenuTest, TheModelMenuShowsAsTheToolkitsMenuAndItsRowsAct) {
  testing::QtScreen screen;
  testing::TestPlatform platform;
  int kept = 0;
  auto menu = std::make_shared<platform::Menu>();
  auto add = [&](const char* title, const std::function<void(MenuItem&)>& set) {
    auto item = std::make_shared<MenuItem>(title);
    set(*item);
    menu->addItem(item);
  };
  add("Keep Awake", [&](MenuItem& i) {
    i.setAction([&](MenuItem&) { ++kept; });
    i.setDetailLines({"Your computer can sleep"});
  });
  menu->addItem(MenuItem::separatorItem());
  add("Allow Display to Sleep", [](MenuItem& i) { i.setState(platform::ControlStateValue::On); });
  add("Set Default: 5 minutes", [](MenuItem& i) { i.setAlternate(true); });
  add("Fish & Chips", [](MenuItem& i) { i.setEnabled(false); });
  add("Hidden", [](MenuItem& i) { i.setHidden(true); });

  platform::WindowRendering::prepare();  // the toolkit, which knows the pointer
  QCursor::setPos(500, 400);
  const struct {
    const char* name;
    std::optional<platform::Point> at;
    QPoint shownAt;
  } rows[] = {
      {"where the tray reported the item", platform::Point{300, 200}, QPoint(300, 200)},
      {"without a place, at the pointer", std::nullopt, QCursor::pos()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    kept = 0;
    int closed = 0;
    ASSERT_TRUE(platform::WindowRendering::popUpMenu(menu, row.at, [&] { ++closed; }));
    QMenu* shown = screen.renderer().poppedMenu();
    ASSERT_TRUE(shown && shown->isVisible());
    EXPECT_EQ(shown->pos(), row.shownAt);
    std::vector<std::string> texts;
    for (QAction* action : shown->actions()) {
      texts.push_back((action->isSeparator() ? "---" : action->text().toStdString()) +
                      (action->isEnabled() ? "" : " (disabled)") +
                      (action->isChecked() ? " (checked)" : ""));
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Keep Awake", "Your computer can sleep (disabled)",
                                               "---", "Allow Display to Sleep (checked)",
                                               "Fish && Chips (disabled)"}));
    // A click on the first row: its action runs, then the menu has closed.
    QTest::mouseClick(shown, Qt::LeftButton, {},
                      shown->actionGeometry(shown->actions().front()).center());
    platform.runUntilIdle();
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(closed, 1);
  }
}

}  // namespace
}  // namespace vigilix
