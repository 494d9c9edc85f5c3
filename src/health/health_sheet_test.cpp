#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "health/health_presenter.h"
#include "health/health_view.h"
#include "keepawake/health_registry.h"
#include "platform/ui/application.h"
#include "testing/health/health_sheet_test_world.h"
#include "testing/ui_driver.h"

namespace vigilix {
namespace {

using testing::SheetWorld;

namespace ui = testing::ui;
using Severity = VGXHealthSeverity;

std::shared_ptr<platform::Button> fixButtonOf(VGXHealthView& view, const std::string& title) {
  for (const auto& row : view.rows()) {
    if (row->titleLabel()->stringValue() == title) return row->fixButton();
  }
  return nullptr;
}

TEST(HealthSheetTest, EachActionChecksReadsAndAcknowledgesAsItShould) {
  struct Row {
    const char* name;
    std::function<void(SheetWorld&, VGXHealthView&)> act;  // after the sheet appeared
    int inspections;
    int reads;
    int changes;
    bool incidentsAcknowledged;
  } rows[] = {
      {"appearing", [](SheetWorld&, VGXHealthView&) {}, 1, 1, 1, true},
      {"Check Again", [](SheetWorld&, VGXHealthView& v) { ui::click(*v.checkAgainButton()); }, 2, 2,
       1, true},
      {"Fix of dismissIncidents",
       [](SheetWorld& w, VGXHealthView& v) {
         w.recordIncident();
         ui::click(*fixButtonOf(v, "Incidents"));
       },
       1, 2, 2, true},
      {"Fix of another identifier checks, acknowledges nothing",
       [](SheetWorld& w, VGXHealthView& v) {
         w.recordIncident();
         // Below the visible rows: pressed as a screen reader would.
         fixButtonOf(v, "Hooks")->accessibilityPerformPress();
       },
       2, 2, 1, false},
      {"an identifier matching only in part checks",
       [](SheetWorld& w, VGXHealthView& v) {
         w.recordIncident();
         v.fix("dismissIncidents ");
       },
       2, 2, 1, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SheetWorld w;
    w.recordIncident();
    const int inspections = w.inspections;
    const int changes = w.world.changes;
    auto view = w.openedView();
    // The lines were read before the incidents were acknowledged.
    EXPECT_EQ(w.line(*view, "Incidents"),
              "1 recorded, some not yet seen: Check Keep-Awake Health marks them seen");
    row.act(w, *view);
    EXPECT_EQ(w.inspections - inspections, row.inspections);
    EXPECT_EQ(w.reads, row.reads);
    EXPECT_EQ(w.world.changes - changes, row.changes);
    EXPECT_EQ(!w.world.verifier->incidentLog().hasUnacknowledged(), row.incidentsAcknowledged);
    EXPECT_EQ(view->rows().size(), view->lines().size());
  }
}

TEST(HealthSheetTest, RowsShowSeveritySymbolTextsAndFixOnlyWhereOffered) {
  struct Row {
    std::string title;
    std::string symbol;
    platform::Color color;
    std::string symbolLabel;
    std::optional<std::string> fixLabel;
  } rows[] = {
      {"Custom", "checkmark.circle", platform::Color::secondaryLabel(), "OK", std::nullopt},
      {"Hooks", "exclamationmark.triangle", platform::Color::systemOrange(), "Needs attention",
       "Fix Hooks"},
      {"Store", "exclamationmark.triangle", platform::Color::systemOrange(), "Error", std::nullopt},
  };
  SheetWorld w;
  auto view = w.openedView();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.title);
    std::shared_ptr<VGXHealthRowView> shown;
    for (const auto& r : view->rows()) {
      if (r->titleLabel()->stringValue() == row.title) shown = r;
    }
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->symbolView()->image()->symbolName(), row.symbol);
    EXPECT_EQ(shown->symbolView()->contentTintColor(), row.color);
    EXPECT_EQ(shown->symbolView()->accessibilityLabel(), row.symbolLabel);
    EXPECT_TRUE(shown->detailLabel()->isSelectable());
    EXPECT_FALSE(shown->detailLabel()->isEditable());
    if (row.fixLabel) {
      ASSERT_NE(shown->fixButton(), nullptr);
      EXPECT_EQ(shown->fixButton()->title(), "Fix");
      EXPECT_EQ(shown->fixButton()->accessibilityLabel(), row.fixLabel);
    } else {
      EXPECT_EQ(shown->fixButton(), nullptr);
    }
  }
}

TEST(HealthSheetTest, TheSheetKeepsItsSizeAndPlacesHeadingListAndButtons) {
  struct Row {
    const char* name;
    std::size_t extraLines;
  } rows[] = {{"empty registry", 0}, {"more lines than fit", 40}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    std::vector<VGXHealthLine> lines(row.extraLines, {"Line", "Detail", Severity::Ok, {}});
    VGXHealthRegistry::registerProvider([&] { return lines; });
    auto parent = std::make_shared<platform::Window>(platform::Rect(0, 0, 600, 500),
                                                     platform::WindowStyle::Titled);
    // A verifier that was never started: its check does nothing.
    VGXHealthPresenter::presentOnWindow(
        parent, std::make_shared<VGXProtectionVerifier>(platform::UserDefaults::standard()));
    auto presenter = VGXHealthPresenter::current();
    auto& view = *presenter->view();
    EXPECT_EQ(presenter->sheet()->title(), "Keep-Awake Health");
    EXPECT_EQ(presenter->sheet()->contentRect().size, (platform::Size{520, 400}));
    EXPECT_EQ(view.frame(), platform::Rect(0, 0, 520, 400));
    EXPECT_EQ(view.rows().size(), row.extraLines);
    EXPECT_EQ(view.heading()->stringValue(), "Keep-Awake Health");
    EXPECT_EQ(view.heading()->frame().origin, (platform::Point{20, 20}));
    auto footer = view.doneButton()->superview()->frame();
    EXPECT_DOUBLE_EQ(footer.maxY(), 400 - 20);
    EXPECT_DOUBLE_EQ(view.scrollView()->frame().maxY() + 16, footer.minY());
    EXPECT_DOUBLE_EQ(view.doneButton()->frame().maxX(), footer.width());
    EXPECT_EQ(view.checkAgainButton()->frame().minX(), 0);
    EXPECT_EQ(view.scrollView()->maximumVerticalOffset() > 0, row.extraLines > 10);
    // Return is "Done".
    EXPECT_EQ(presenter->sheet()->defaultButton(), view.doneButton());
    ui::pressKey(*presenter->sheet(), platform::KeyCode::Return);
    EXPECT_EQ(parent->attachedSheet(), nullptr);
  }
}

// Presenting ends the sheet the window carried; "Done" closes what shows
// the check.
TEST(HealthSheetTest, PresentingEndsTheSheetBeforeAndDoneClosesItsOwn) {
  using Open = std::function<std::shared_ptr<VGXHealthView>(SheetWorld&)>;
  struct Row {
    const char* name;
    Open open;
  } rows[] = {
      {"over a settings pane's sheet",
       [](SheetWorld& w) {
         int ended = 0;
         w.window->beginSheet(std::make_shared<platform::Window>(platform::Rect(0, 0, 9, 9), 1),
                              [&](platform::ModalResponse) { ++ended; });
         VGXHealthPresenter::presentOnWindow(w.window, w.world.verifier);
         EXPECT_EQ(ended, 1);
         return VGXHealthPresenter::current()->view();
       }},
      {"twice on the same window",
       [](SheetWorld& w) {
         VGXHealthPresenter::presentOnWindow(w.window, w.world.verifier);
         auto first = VGXHealthPresenter::current();
         auto firstSheet = first->sheet();
         VGXHealthPresenter::presentOnWindow(w.window, w.world.verifier);
         EXPECT_FALSE(firstSheet->isVisible());
         EXPECT_NE(VGXHealthPresenter::current(), first);  // the first's end left it current
         EXPECT_EQ(w.window->attachedSheet(), VGXHealthPresenter::current()->sheet());
         return VGXHealthPresenter::current()->view();
       }},
      {"the General pane's own sheet is dismissed",
       [](SheetWorld& w) {
         auto view = VGXHealthView::make({}, std::nullopt, w.world.verifier);
         auto pane = std::make_shared<platform::Window>(platform::Rect(0, 0, 520, 400),
                                                        platform::WindowStyle::Titled);
         pane->setContentView(view);
         w.window->beginSheet(pane);
         return view;
       }},
      {"a window of its own, shown again",
       [](SheetWorld& w) {
         VGXHealthPresenter::presentInOwnWindow(w.world.verifier);
         auto first = VGXHealthPresenter::current()->sheet();
         VGXHealthPresenter::presentInOwnWindow(w.world.verifier);
         EXPECT_FALSE(first->isVisible());
         return VGXHealthPresenter::current()->view();
       }},
      {"a sheet whose presenter was replaced",
       [](SheetWorld& w) {
         VGXHealthPresenter::presentOnWindow(w.window, w.world.verifier);
         auto view = VGXHealthPresenter::current()->view();
         VGXHealthPresenter::presentInOwnWindow(w.world.verifier);
         return view;
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SheetWorld w;
    auto view = row.open(w);
    ASSERT_NE(view->window(), nullptr);
    // A closed window may be gone with its presenter: held weakly.
    const std::weak_ptr<platform::Window> window = view->window()->shared_from_this();
    EXPECT_TRUE(window.lock()->isVisible());
    EXPECT_FALSE(view->lines().empty());  // appearing read the lines
    ui::click(*view->doneButton());
    const auto closed = window.lock();
    EXPECT_FALSE(closed && closed->isVisible());
    EXPECT_EQ(w.window->attachedSheet(), nullptr);
    // No presenter of the closed view stays current.
    auto current = VGXHealthPresenter::current();
    EXPECT_NE(current ? current->view() : nullptr, view);
  }

  // A presenter whose window has gone does nothing when asked to close.
  SheetWorld w;
  auto parent = std::make_shared<platform::Window>(platform::Rect(0, 0, 600, 500),
                                                   platform::WindowStyle::Titled);
  VGXHealthPresenter::presentOnWindow(parent, w.world.verifier);
  auto presenter = VGXHealthPresenter::current();
  parent.reset();
  presenter->close();
  EXPECT_NE(presenter->sheet(), nullptr);
}

}  // namespace
}  // namespace vigilix
