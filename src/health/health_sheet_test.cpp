#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "health/health_presenter.h"
#include "health/health_view.h"
#include "health/protection_verifier_test_fixture.h"
#include "hub/health_registry.h"
#include "platform/ui/application.h"
#include "testing/ui_driver.h"

namespace vigilix {
namespace {

namespace ui = testing::ui;
using Severity = VGXHealthSeverity;

// A started verifier whose inspection is counted, and a provider of the
// test's own lines after the verifier's.
struct SheetWorld {
  SheetWorld() {
    world.verifier->providers().inspect = [this] {
      ++inspections;
      return std::pair{
          std::optional<std::set<std::string>>{{world.expected.begin(), world.expected.end()}},
          std::optional<std::string>{}};
    };
    world.start();
    VGXHealthRegistry::registerProvider([this] {
      ++reads;
      return extra;
    });
    window->makeKeyAndOrderFront();
  }
  void recordIncident() {
    world.verifier->incidentLog().record(
        VGXIncident::make(VGXIncident::Kind::sleptWhileAwake, VGXIncident::Cause::lidClosed, {}));
  }
  std::shared_ptr<VGXHealthView> openedView() {
    VGXHealthPresenter::presentOnWindow(window, world.verifier);
    return VGXHealthPresenter::current()->view();
  }
  std::optional<std::string> line(const VGXHealthView& view, const std::string& title) {
    for (const auto& l : view.lines()) {
      if (l.title == title) return l.detail;
    }
    return std::nullopt;
  }

  testing::VerifierWorld world;
  int inspections = 0;
  int reads = 0;
  std::vector<VGXHealthLine> extra{{"Custom", "Fine", Severity::Ok, std::nullopt},
                                   {"Hooks", "Missing", Severity::Warning, "reinstallHooks"},
                                   {"Store", "Broken", Severity::Error, std::nullopt}};
  std::shared_ptr<platform::Window> window = std::make_shared<platform::Window>(
      platform::Rect(0, 0, 600, 500), platform::WindowStyle::Titled);
};

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
    EXPECT_EQ(w.line(*view, "Incidents"), "1 recorded");
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

TEST(HealthSheetTest, PresentingEndsTheSheetShownBeforeAndDoneEndsItsOwn) {
  struct Row {
    const char* name;
    bool otherSheetFirst;
    bool presentTwice;
  } rows[] = {
      {"over a settings pane's sheet", true, false},
      {"twice on the same window", false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SheetWorld w;
    std::vector<std::string> ended;
    if (row.otherSheetFirst) {
      auto pane = std::make_shared<platform::Window>(platform::Rect(0, 0, 100, 100),
                                                     platform::WindowStyle::Titled);
      w.window->beginSheet(pane, [&](platform::ModalResponse) { ended.push_back("pane"); });
    }
    VGXHealthPresenter::presentOnWindow(w.window, w.world.verifier);
    auto first = VGXHealthPresenter::current();
    if (row.presentTwice) {
      auto firstSheet = first->sheet();
      VGXHealthPresenter::presentOnWindow(w.window, w.world.verifier);
      EXPECT_EQ(first->sheet(), nullptr);  // its sheet ended before the second began
      EXPECT_FALSE(firstSheet->isVisible());
    } else {
      EXPECT_EQ(ended, std::vector<std::string>{"pane"});
    }
    auto current = VGXHealthPresenter::current();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current != first, row.presentTwice);
    EXPECT_EQ(w.window->attachedSheet(), current->sheet());
    EXPECT_TRUE(current->sheet()->isKeyWindow());

    ui::click(*current->view()->doneButton());
    EXPECT_EQ(w.window->attachedSheet(), nullptr);
    EXPECT_EQ(VGXHealthPresenter::current(), nullptr);
    EXPECT_TRUE(w.window->isKeyWindow());
  }
}

TEST(HealthSheetTest, DoneWithoutClosureDismissesAndAGoneParentIsLeftAlone) {
  SheetWorld w;
  // The General pane's own sheet: no close action, the environment dismisses.
  auto view = VGXHealthView::make({}, std::nullopt, w.world.verifier);
  auto pane = std::make_shared<platform::Window>(platform::Rect(0, 0, 520, 400),
                                                 platform::WindowStyle::Titled);
  pane->setContentView(view);
  std::vector<platform::ModalResponse> ended;
  w.window->beginSheet(pane, [&](platform::ModalResponse r) { ended.push_back(r); });
  EXPECT_EQ(w.reads, 1);  // appearing read the lines
  ui::click(*view->doneButton());
  EXPECT_EQ(ended.size(), 1u);
  EXPECT_EQ(w.window->attachedSheet(), nullptr);

  // A presenter whose window has gone does nothing when asked to close.
  auto parent = std::make_shared<platform::Window>(platform::Rect(0, 0, 600, 500),
                                                   platform::WindowStyle::Titled);
  VGXHealthPresenter::presentOnWindow(parent, w.world.verifier);
  auto presenter = VGXHealthPresenter::current();
  parent.reset();
  presenter->close();
  EXPECT_NE(presenter->sheet(), nullptr);
}

TEST(HealthSheetTest, WithoutASettingsWindowTheCheckShowsInItsOwnWindow) {
  SheetWorld w;
  VGXHealthPresenter::presentInOwnWindow(w.world.verifier);
  auto first = VGXHealthPresenter::current();
  ASSERT_NE(first, nullptr);
  auto window = first->sheet();
  EXPECT_EQ(window->title(), "Keep-Awake Health");
  EXPECT_EQ(window->sheetParent(), nullptr);
  EXPECT_TRUE(window->isKeyWindow());
  EXPECT_EQ(w.world.changes, 2);  // start, then the sheet appearing

  VGXHealthPresenter::presentInOwnWindow(w.world.verifier);
  EXPECT_FALSE(window->isVisible());
  auto second = VGXHealthPresenter::current();
  ASSERT_NE(second, first);
  ui::click(*second->view()->doneButton());
  EXPECT_FALSE(second->sheet() && second->sheet()->isVisible());
  EXPECT_EQ(VGXHealthPresenter::current(), nullptr);

  // A sheet whose presenter was replaced by another presentation still ends
  // with its own "Done".
  VGXHealthPresenter::presentOnWindow(w.window, w.world.verifier);
  auto sheetView = VGXHealthPresenter::current()->view();
  VGXHealthPresenter::presentInOwnWindow(w.world.verifier);
  ui::click(*sheetView->doneButton());
  EXPECT_EQ(w.window->attachedSheet(), nullptr);
}

}  // namespace
}  // namespace vigilix
