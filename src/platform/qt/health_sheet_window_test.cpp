#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include "platform/ui/alert.h"
#include "testing/health/health_sheet_test_world.h"
#include "testing/qt/test_screen.h"

namespace vigilix {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

// The health sheet on a settings-like window and the application's alerts,
// shown by the Qt renderer and used through its widgets.
class HealthSheetWindowTest : public ::testing::Test {
 public:
  ~HealthSheetWindowTest() override { w.window->close(); }

  QWidget* widgetOf(const std::shared_ptr<platform::Window>& window,
                    const std::shared_ptr<platform::Button>& button) {
    return screen.widgetOf(window.get(), button.get());
  }
  std::shared_ptr<platform::Button> fixOf(const std::string& title) {
    for (const auto& row : VGXHealthPresenter::current()->view()->rows()) {
      if (row->titleLabel()->stringValue() == title) return row->fixButton();
    }
    return nullptr;
  }

  testing::QtScreen screen;
  testing::SheetWorld w;
};

TEST_F(HealthSheetWindowTest, CheckAgainFixAndDoneWorkThroughTheWidgets) {
  auto view = w.openedView();
  auto sheet = VGXHealthPresenter::current()->sheet();
  auto* dialog = screen.dialogOf(sheet.get());
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->parentWidget(), screen.dialogOf(w.window.get()));
  EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);

  QImage shot = testing::saveScreenshot(dialog, "health_sheet");
  EXPECT_EQ(shot.size(), dialog->size());
  auto texts = testing::accessibleTexts(dialog);
  for (const char* text : {"Keep-Awake Health", "Incidents", "Check Again", "Done"}) {
    EXPECT_THAT(texts, Contains(text));
  }

  // An incident while the sheet is open shows after "Check Again", with its "Fix".
  w.recordIncident();
  int before = w.inspections;
  QTest::mouseClick(widgetOf(sheet, view->checkAgainButton()), Qt::LeftButton);
  EXPECT_EQ(w.inspections, before + 1);
  QWidget* dismiss = widgetOf(sheet, fixOf("Incidents"));
  ASSERT_TRUE(dismiss);
  QTest::mouseClick(dismiss, Qt::LeftButton);
  EXPECT_FALSE(w.world.verifier->incidentLog().hasUnacknowledged());

  // The last rows lie below the visible part until the list is scrolled;
  // a button is clicked once it shows whole.
  auto hooksFix = fixOf("Hooks");
  const auto& scroll = view->scrollView();
  platform::Point centre = scroll->convertPointToView(
      {scroll->frame().width() / 2, scroll->frame().height() / 2}, nullptr);
  QPointF inList(centre.x, sheet->contentRect().height() - centre.y);
  const auto shownWhole = [&] {
    QWidget* fix = widgetOf(sheet, hooksFix);
    return fix && fix->mask().isEmpty();
  };
  for (int notch = 0; notch < 20 && !shownWhole(); ++notch) {
    QWheelEvent wheel(inList, dialog->mapToGlobal(inList), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(dialog, &wheel);
  }
  ASSERT_TRUE(shownWhole());
  before = w.inspections;
  QTest::mouseClick(widgetOf(sheet, hooksFix), Qt::LeftButton);
  EXPECT_EQ(w.inspections, before + 1);

  QTest::mouseClick(widgetOf(sheet, view->doneButton()), Qt::LeftButton);
  EXPECT_EQ(w.window->attachedSheet(), nullptr);
  EXPECT_EQ(screen.dialogOf(sheet.get()), nullptr);
  EXPECT_TRUE(screen.dialogOf(w.window.get())->isVisible());
}

TEST_F(HealthSheetWindowTest, AnAlertAnswersWithTheButtonClicked) {
  struct Row {
    const char* name;
    bool asSheet;
    int button;
    platform::ModalResponse response;
  };
  const Row rows[] = {
      {"application-modal, the first button", false, 0,
       platform::ModalResponse::AlertFirstButtonReturn},
      {"as a sheet, the second button", true, 1, platform::ModalResponse::AlertSecondButtonReturn},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto alert = platform::Alert::make();
    alert->setMessageText("Move your settings?");
    alert->setInformativeText("Settings from an earlier version were found.");
    alert->addButtonWithTitle("Move");
    alert->addButtonWithTitle("Cancel");
    std::vector<platform::ModalResponse> responses;
    auto done = [&](platform::ModalResponse response) { responses.push_back(response); };
    if (row.asSheet) {
      alert->beginSheetModalForWindow(w.window, done);
    } else {
      alert->presentModal(done);
    }
    auto* dialog = screen.dialogOf(alert->window().get());
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowModality(), row.asSheet ? Qt::WindowModal : Qt::ApplicationModal);
    // An alert has no title of its own: the application's name stands for it.
    EXPECT_EQ(dialog->windowTitle(), "Vigilix");
    auto texts = testing::accessibleTexts(dialog);
    for (const char* text : {"Move your settings?", "Settings from an earlier version were found.",
                             "Move", "Cancel"}) {
      EXPECT_THAT(texts, Contains(text));
    }
    if (!row.asSheet) {
      QImage shot = testing::saveScreenshot(dialog, "alert");
      EXPECT_EQ(shot.size(), dialog->size());
    }
    QTest::mouseClick(widgetOf(alert->window(), alert->buttons()[row.button]), Qt::LeftButton);
    EXPECT_THAT(responses, ElementsAre(row.response));
    EXPECT_EQ(screen.dialogOf(alert->window().get()), nullptr);
  }
}

}  // namespace
}  // namespace vigilix
