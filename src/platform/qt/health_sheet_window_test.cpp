#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

#include "health/health_presenter.h"
#include "health/health_view.h"
#include "health/protection_verifier_test_fixture.h"
#include "hub/health_registry.h"
#include "platform/qt/qt_window_renderer.h"
#include "platform/qt/test_screen.h"
#include "platform/ui/alert.h"
#include "platform/ui/window_rendering.h"

namespace vigilix {
namespace {

using platform::WindowRendering;
using ::testing::Contains;
using ::testing::ElementsAre;

// The health sheet on a settings-like window and the application's alerts,
// shown by the Qt renderer and used through its widgets.
class HealthSheetWindowTest : public ::testing::Test {
 public:
  HealthSheetWindowTest() {
    testing::useOffscreenScreen();
    WindowRendering::useFactory(&platform::makeQtWindowRenderer);
    world.verifier->providers().inspect = [this] {
      ++inspections;
      return std::pair{
          std::optional<std::set<std::string>>{{world.expected.begin(), world.expected.end()}},
          std::optional<std::string>{}};
    };
    world.start();
    VGXHealthRegistry::registerProvider([] {
      return std::vector<VGXHealthLine>{
          {"Hooks", "Missing", VGXHealthSeverity::Warning, "reinstallHooks"}};
    });
    parent->setTitle("Settings");
    parent->makeKeyAndOrderFront();
  }
  ~HealthSheetWindowTest() override {
    parent->close();
    WindowRendering::reset();
  }

  platform::QtWindowRenderer& renderer() {
    return *dynamic_cast<platform::QtWindowRenderer*>(WindowRendering::renderer());
  }
  platform::RenderedWindowWidget* dialogOf(const std::shared_ptr<platform::Window>& window) {
    return renderer().widgetFor(WindowRendering::idOf(window.get()));
  }
  QWidget* widgetOf(const std::shared_ptr<platform::Window>& window, const platform::View* view) {
    auto* dialog = dialogOf(window);
    return dialog ? dialog->widgetFor(WindowRendering::idOf(view)) : nullptr;
  }
  std::shared_ptr<platform::Button> fixOf(const std::string& title) {
    for (const auto& row : VGXHealthPresenter::current()->view()->rows()) {
      if (row->titleLabel()->stringValue() == title) return row->fixButton();
    }
    return nullptr;
  }

  testing::VerifierWorld world;
  int inspections = 0;
  std::shared_ptr<platform::Window> parent = std::make_shared<platform::Window>(
      platform::Rect(0, 0, 600, 500), platform::WindowStyle::Titled);
};

TEST_F(HealthSheetWindowTest, CheckAgainFixAndDoneWorkThroughTheWidgets) {
  VGXHealthPresenter::presentOnWindow(parent, world.verifier);
  auto presenter = VGXHealthPresenter::current();
  auto sheet = presenter->sheet();
  auto* dialog = dialogOf(sheet);
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->parentWidget(), dialogOf(parent));
  EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);

  QImage shot = testing::saveScreenshot(dialog, "health_sheet");
  EXPECT_EQ(shot.size(), dialog->size());
  auto texts = testing::accessibleTexts(dialog);
  for (const char* text : {"Keep-Awake Health", "Incidents", "Check Again", "Done"}) {
    EXPECT_THAT(texts, Contains(text));
  }

  // An incident while the sheet is open shows after "Check Again", with its "Fix".
  world.verifier->incidentLog().record(
      VGXIncident::make(VGXIncident::Kind::sleptWhileAwake, VGXIncident::Cause::lidClosed, {}));
  int before = inspections;
  QTest::mouseClick(widgetOf(sheet, presenter->view()->checkAgainButton().get()), Qt::LeftButton);
  EXPECT_EQ(inspections, before + 1);
  ASSERT_TRUE(fixOf("Incidents"));

  QWidget* dismiss = widgetOf(sheet, fixOf("Incidents").get());
  ASSERT_TRUE(dismiss);
  QTest::mouseClick(dismiss, Qt::LeftButton);
  EXPECT_FALSE(world.verifier->incidentLog().hasUnacknowledged());

  // The last row lies below the visible part until the list is scrolled.
  const platform::View* hooksFix = fixOf("Hooks").get();
  const auto& scroll = presenter->view()->scrollView();
  platform::Point centre = scroll->convertPointToView(
      {scroll->frame().width() / 2, scroll->frame().height() / 2}, nullptr);
  QPointF inList(centre.x, sheet->contentRect().height() - centre.y);
  for (int notch = 0; notch < 10 && !widgetOf(sheet, hooksFix); ++notch) {
    QWheelEvent wheel(inList, dialog->mapToGlobal(inList), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(dialog, &wheel);
  }
  ASSERT_TRUE(widgetOf(sheet, hooksFix));
  before = inspections;
  QTest::mouseClick(widgetOf(sheet, hooksFix), Qt::LeftButton);
  EXPECT_EQ(inspections, before + 1);

  QTest::mouseClick(widgetOf(sheet, presenter->view()->doneButton().get()), Qt::LeftButton);
  EXPECT_EQ(parent->attachedSheet(), nullptr);
  EXPECT_EQ(dialogOf(sheet), nullptr);
  EXPECT_TRUE(dialogOf(parent)->isVisible());
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
      alert->beginSheetModalForWindow(parent, done);
    } else {
      alert->presentModal(done);
    }
    auto* dialog = dialogOf(alert->window());
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowModality(), row.asSheet ? Qt::WindowModal : Qt::ApplicationModal);
    auto texts = testing::accessibleTexts(dialog);
    for (const char* text : {"Move your settings?", "Settings from an earlier version were found.",
                             "Move", "Cancel"}) {
      EXPECT_THAT(texts, Contains(text));
    }
    if (!row.asSheet) {
      QImage shot = testing::saveScreenshot(dialog, "alert");
      EXPECT_EQ(shot.size(), dialog->size());
    }
    QTest::mouseClick(widgetOf(alert->window(), alert->buttons()[row.button].get()),
                      Qt::LeftButton);
    EXPECT_THAT(responses, ElementsAre(row.response));
    EXPECT_EQ(dialogOf(alert->window()), nullptr);
  }
}

}  // namespace
}  // namespace vigilix
