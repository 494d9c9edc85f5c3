// A model menu popped up as Qt's own menu through the window seam: the rows
// a tray shows, at the place asked for or the pointer, a chosen row's action.
#include <gtest/gtest.h>

#include <QCursor>
#include <QMenu>
#include <QTest>

#include "platform/qt/test_screen.h"
#include "platform/ui/menu.h"
#include "platform/ui/window_rendering.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using platform::MenuItem;
using platform::WindowRendering;

std::shared_ptr<MenuItem> item(const std::string& title, std::function<void(MenuItem&)> set = {}) {
  auto made = std::make_shared<MenuItem>(title);
  if (set) set(*made);
  return made;
}

// The rows of a shown menu, one line each, submenus indented.
void rowsOf(const QMenu& menu, std::vector<std::string>& out, const std::string& indent = "") {
  for (QAction* action : menu.actions()) {
    std::string line = indent + (action->isSeparator() ? "---" : action->text().toStdString());
    if (!action->isEnabled()) line += " (disabled)";
    if (action->isChecked()) line += " (checked)";
    out.push_back(line);
    if (action->menu()) rowsOf(*action->menu(), out, indent + "  ");
  }
}

TEST(PopUpMenuTest, TheModelMenuShowsAsTheToolkitsMenuAndItsRowsAct) {
  testing::QtScreen screen;
  testing::TestPlatform platform;
  int kept = 0;
  int closed = 0;
  auto menu = std::make_shared<platform::Menu>();
  menu->addItem(item("Keep Awake", [&](MenuItem& i) {
    i.setAction([&](MenuItem&) { ++kept; });
    i.setDetailLines({"Your computer can sleep"});
  }));
  menu->addItem(MenuItem::separatorItem());
  auto later = std::make_shared<platform::Menu>();
  later->addItem(item("A Specific Time\u2026"));
  menu->addItem(item("Keep Awake Until", [&](MenuItem& i) { i.setSubmenu(later); }));
  menu->addItem(item("Allow Display to Sleep", [](MenuItem& i) {
    i.setCheckable(true);
    i.setState(platform::ControlStateValue::On);
  }));
  menu->addItem(item("Set Default: 5 minutes", [](MenuItem& i) { i.setAlternate(true); }));
  menu->addItem(item("Pause for 1 Hour", [](MenuItem& i) { i.setEnabled(false); }));
  menu->addItem(item("Hidden", [](MenuItem& i) { i.setHidden(true); }));
  menu->addItem(item("Fish & Chips"));

  struct Row {
    const char* name;
    std::optional<platform::Point> at;
    QPoint shownAt;
  };
  WindowRendering::prepare();  // the toolkit, which knows the pointer
  QCursor::setPos(500, 400);
  const Row rows[] = {
      {"where the tray reported the item", platform::Point{300, 200}, QPoint(300, 200)},
      {"without a place, at the pointer", std::nullopt, QCursor::pos()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    kept = closed = 0;
    ASSERT_TRUE(WindowRendering::popUpMenu(menu, row.at, [&] { ++closed; }));
    QMenu* shown = screen.renderer().poppedMenu();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->pos(), row.shownAt);
    std::vector<std::string> rowsShown;
    rowsOf(*shown, rowsShown);
    EXPECT_EQ(rowsShown, (std::vector<std::string>{
                             "Keep Awake",
                             "Your computer can sleep (disabled)",
                             "---",
                             "Keep Awake Until",
                             "  A Specific Time\u2026",
                             "Allow Display to Sleep (checked)",
                             "Pause for 1 Hour (disabled)",
                             "Fish && Chips",
                         }));
    // A click on the first row: its action runs, then the menu is closed.
    QTest::mouseClick(shown, Qt::LeftButton, {},
                      shown->actionGeometry(shown->actions().front()).center());
    platform.runUntilIdle();
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(screen.renderer().poppedMenu() && screen.renderer().poppedMenu()->isVisible());
  }
}

}  // namespace
}  // namespace vigilix
