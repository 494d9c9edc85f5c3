// The settings window driven from the keyboard through the Qt renderer, and
// what a screen reader is told of each of its controls.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QTableWidget>
#include <QTest>
#include <algorithm>
#include <map>

#include "core/dzl_keys.h"
#include "health/app_notification_names.h"
#include "platform/notifications/notification_center.h"
#include "platform/qt/full_settings_window.h"
#include "platform/qt/layout_check.h"
#include "platform/ui/alert.h"
#include "platform/ui/date_picker.h"
#include "platform/ui/stepper.h"
#include "platform/ui/table_view.h"

namespace vigilix {
namespace {

using platform::View;
using platform::WindowRendering;

// A control a person uses: something that takes the keys when enabled.
bool isControl(const View& view) {
  return dynamic_cast<const platform::Control*>(&view) != nullptr ||
         view.accessibilityRole() == platform::AccessibilityRole::Button;
}

void collectControls(const View& view, std::vector<const View*>& out) {
  if (view.isHidden()) return;
  if (isControl(view) && view.acceptsFirstResponder()) out.push_back(&view);
  for (const auto& child : view.subviews()) collectControls(*child, out);
}

struct Placed {
  const View* view;
  double top, bottom, left;
};

// The enabled controls of the window's shown pane and tab bar, in the order
// a person reads them: line by line from the top, each line from the left.
// Found from where they are, not from the order they were added in.
std::vector<const View*> controlsInReadingOrder(const platform::Window& window) {
  std::vector<const View*> controls;
  collectControls(*window.contentView(), controls);
  std::vector<Placed> placed;
  for (const View* view : controls) {
    // In the coordinates of the whole form, wherever it is scrolled.
    const View* form = view;
    while (form->superview() && !dynamic_cast<const platform::ScrollView*>(form->superview()))
      form = form->superview();
    const auto a = view->convertPointToView({0, 0}, form);
    const auto b = view->convertPointToView({view->frame().width(), view->frame().height()}, form);
    placed.push_back({view, std::min(a.y, b.y), std::max(a.y, b.y), std::min(a.x, b.x)});
  }
  // The tab bar is not in the pane's form: it reads first.
  std::ranges::stable_sort(placed, {}, [&](const Placed& p) {
    return p.view->superview() == window.contentView()->subviews().front().get() ? 0 : 1;
  });
  std::vector<const View*> order;
  std::size_t i = 0;
  while (i < placed.size()) {
    // A line: the views whose extent overlaps the first one's, in the same part.
    std::vector<Placed> line{placed[i]};
    std::size_t j = i + 1;
    for (; j < placed.size(); ++j) {
      const bool samePart = (placed[j].view->superview() == placed[i].view->superview()) ||
                            placed[j].top < line.front().bottom;
      if (!samePart || placed[j].top >= line.front().bottom) break;
      line.push_back(placed[j]);
    }
    std::ranges::sort(line, {}, &Placed::left);
    for (const Placed& p : line) order.push_back(p.view);
    i = j;
  }
  return order;
}

class WindowKeyboardTest : public testing::FullSettingsWindowTest {
 public:
  // Presses a key where the person's keyboard sends it: the focused widget.
  void press(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, key, modifiers);
    platform.runUntilIdle();
    WindowRendering::flush();
  }
  const View* focused() const {
    auto* responder = window->firstResponder();
    return responder == window.get() ? nullptr : static_cast<const View*>(responder);
  }
  std::string nameOf(const View* view) const {
    return view ? view->accessibilityLabel().value_or("?") : "the window";
  }
};

TEST_F(WindowKeyboardTest, TabReachesEveryControlOfEachPaneInReadingOrder) {
  for (const char* pane : {"general", "durations", "triggers"}) {
    SCOPED_TRACE(pane);
    ASSERT_TRUE(window->selectPaneWithIdentifier(pane));
    window->layoutIfNeeded();
    window->makeFirstResponder(nullptr);
    WindowRendering::flush();
    const auto expected = controlsInReadingOrder(*window);
    ASSERT_GE(expected.size(), 5u);
    std::vector<std::string> wanted;
    std::vector<std::string> reached;
    for (const View* view : expected) {
      wanted.push_back(nameOf(view));
      press(dialog(), Qt::Key_Tab);
      reached.push_back(nameOf(focused()));
      // The control reached shows on the screen, whole.
      QWidget* widget = screen.widgetOf(window.get(), focused());
      ASSERT_TRUE(widget) << nameOf(focused()) << " is not on the screen";
      EXPECT_TRUE(widget->mask().isEmpty()) << nameOf(focused()) << " shows only in part";
    }
    EXPECT_EQ(reached, wanted);
    // Round the window, and back.
    press(dialog(), Qt::Key_Tab);
    EXPECT_EQ(focused(), expected.front());
    press(dialog(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), expected.back());
  }
}

TEST_F(WindowKeyboardTest, ArrowKeysMoveTheDurationsSelection) {
  ASSERT_TRUE(window->selectPaneWithIdentifier("durations"));
  WindowRendering::flush();
  auto& pane = window->durationsPane();
  auto* table = qobject_cast<QTableWidget*>(screen.widgetOf(window.get(), pane.table().get()));
  ASSERT_TRUE(table);
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                    table->visualItemRect(table->item(2, 0)).center());
  ASSERT_EQ(pane.selectedRow(), 2u);
  ASSERT_EQ(focused(), pane.table().get());
  struct Row {
    const char* name;
    Qt::Key key;
    std::size_t selected;
  };
  const std::size_t last = table->rowCount() - 1;
  const Row rows[] = {
      {"down moves a row down", Qt::Key_Down, 3},
      {"up moves it back", Qt::Key_Up, 2},
      {"up again", Qt::Key_Up, 1},
      {"to the top", Qt::Key_Up, 0},
      {"and no further", Qt::Key_Up, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    press(dialog(), row.key);
    EXPECT_EQ(pane.selectedRow(), row.selected);
    EXPECT_EQ(table->currentRow(), static_cast<int>(row.selected));
    EXPECT_TRUE(table->item(static_cast<int>(row.selected), 0)->isSelected());
  }
  for (std::size_t i = 0; i < last + 2; ++i) press(dialog(), Qt::Key_Down);
  EXPECT_EQ(pane.selectedRow(), last);
  // The selection is what the buttons under the list act on.
  EXPECT_TRUE(pane.setDefaultButton()->isEnabled());
  EXPECT_TRUE(pane.removeButton()->isEnabled());
}

TEST_F(WindowKeyboardTest, ReturnAndEscapeAnswerSheetsAndAlerts) {
  ASSERT_TRUE(window->selectPaneWithIdentifier("durations"));
  auto& pane = window->durationsPane();
  const std::size_t listed = durations.activationDurations().size();
  int menuRequests = 0;
  auto observer = platform::NotificationCenter::defaultCenter().addObserver(
      kVGXOpenStatusMenuNotification, nullptr, nullptr,
      [&](const platform::Notification&) { ++menuRequests; });
  struct Row {
    const char* name;
    std::function<std::shared_ptr<platform::Window>()> open;
    Qt::Key key;
    std::function<bool()> answered;
  };
  const Row rows[] = {
      {"Escape cancels the add sheet",
       [&] {
         pane.addButton()->performClick();
         return pane.addSheet()->window();
       },
       Qt::Key_Escape, [&] { return durations.activationDurations().size() == listed; }},
      {"Return adds from it",
       [&] {
         pane.addButton()->performClick();
         pane.addSheet()->hoursField()->setStringValue("7");
         return pane.addSheet()->window();
       },
       Qt::Key_Return, [&] { return durations.activationDurations().size() == listed + 1; }},
      {"Escape cancels the reset alert",
       [&] {
         pane.resetButton()->performClick();
         return pane.resetAlertWindow();
       },
       Qt::Key_Escape, [&] { return durations.activationDurations().size() == listed + 1; }},
      {"Return resets",
       [&] {
         pane.resetButton()->performClick();
         return pane.resetAlertWindow();
       },
       Qt::Key_Return, [&] { return durations.activationDurations().size() == listed; }},
      {"Escape is Not Now in the welcome",
       [&] {
         window->generalPane().setShowWelcome(true);
         return window->generalPane().welcomeSheet()->window();
       },
       Qt::Key_Escape, [&] { return window->isVisible() && menuRequests == 0; }},
      {"Return is Open Menu",
       [&] {
         window->generalPane().setShowWelcome(true);
         return window->generalPane().welcomeSheet()->window();
       },
       Qt::Key_Return, [&] { return !window->isVisible() && menuRequests == 1; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    window->makeKeyAndOrderFront();
    WindowRendering::flush();
    const auto sheet = row.open();
    ASSERT_TRUE(sheet);
    WindowRendering::flush();
    QWidget* shown = screen.dialogOf(sheet.get());
    ASSERT_TRUE(shown);
    press(shown, row.key);
    EXPECT_EQ(window->attachedSheet(), nullptr);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_TRUE(row.answered());
  }
}

// What a screen reader says for each control: its label's text. Controls
// whose own text is a symbol or a value carry the label beside them.
TEST_F(WindowKeyboardTest, EveryControlIsNamedByItsLabel) {
  const std::map<std::string, std::string> namedApart{
      {"\u2212", "Remove Duration"},
      {"+", "Add Duration"},
      {"Reset\u2026", "Reset Durations"},
      {"Add +", "Add app"},
      {"Remove \u2212", "Remove app"},
      {"Watch a Download\u2026", "Choose a file or folder to watch"},
      {"Keep Awake Until an App Quits\u2026", "Pick a running app to watch"},
  };
  struct Row {
    const char* pane;
    std::vector<std::string> named;  // controls without text of their own
  };
  const Row rows[] = {
      {"general", {"Battery Floor", "On Battery, Stop After", "Global shortcut recorder"}},
      {"durations", {"Durations"}},
      {"triggers", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.pane);
    ASSERT_TRUE(window->selectPaneWithIdentifier(row.pane));
    window->layoutIfNeeded();
    std::vector<std::string> seen;
    auto* scroll = dynamic_cast<platform::ScrollView*>(window->selectedPaneView().get());
    for (double offset = 0;; offset += 80) {
      if (scroll) scroll->scrollToVerticalOffset(offset);
      window->layoutIfNeeded();
      WindowRendering::flush();
      for (QObject* child : dialog()->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || !widget->isVisible() || !widget->mask().isEmpty()) continue;
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(widget);
        const QAccessible::Role role = node->role();
        const bool control = role == QAccessible::Button || role == QAccessible::CheckBox ||
                             role == QAccessible::Table || role == QAccessible::SpinBox ||
                             widget->focusPolicy() != Qt::NoFocus ||
                             widget->metaObject()->className() == std::string("QWidget");
        if (!control || qobject_cast<QLabel*>(widget)) continue;
        const std::string name = node->text(QAccessible::Name).toStdString();
        const std::string text = testing::textOf(widget);
        EXPECT_FALSE(name.empty()) << testing::describe(widget) << " has no name";
        const auto apart = namedApart.find(text);
        if (apart != namedApart.end()) {
          EXPECT_EQ(name, apart->second);
        } else if (qobject_cast<QAbstractButton*>(widget) && !text.empty()) {
          EXPECT_EQ(name, text);
        }
        seen.push_back(name);
      }
      if (!scroll || offset >= scroll->maximumVerticalOffset()) break;
    }
    for (const std::string& name : row.named) {
      EXPECT_NE(std::ranges::find(seen, name), seen.end()) << "no control named " << name;
    }
  }
}

}  // namespace
}  // namespace vigilix
