#include "platform/ui/view.h"

#include <gtest/gtest.h>

#include "platform/ui/menu.h"
#include "platform/ui/window.h"
#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

class FlippedView : public View {
 public:
  using View::View;
  bool isFlipped() const override { return true; }
};

class CountingView : public View {
 public:
  using View::View;
  void viewDidMoveToWindow() override { ++windowMoves; }
  void viewDidMoveToSuperview() override { ++superviewMoves; }
  void viewDidChangeEffectiveAppearance() override { ++appearanceChanges; }
  int windowMoves = 0;
  int superviewMoves = 0;
  int appearanceChanges = 0;
};

TEST(ViewGeometry, ConvertsThroughPlainAndFlippedSuperviews) {
  auto root = std::make_shared<View>(Rect(0, 0, 400, 300));
  auto flipped = std::make_shared<FlippedView>(Rect(100, 50, 200, 100));
  auto child = std::make_shared<View>(Rect(10, 20, 50, 30));
  root->addSubview(flipped);
  flipped->addSubview(child);

  // The flipped view's y grows downwards from its top edge at y = 150.
  EXPECT_EQ(flipped->convertPointFromView(Point{110, 140}, nullptr), (Point{10, 10}));
  // The child sits 20 points below the flipped view's top, 30 high: its
  // bottom-left corner is at window y = 150 - 20 - 30 = 100.
  EXPECT_EQ(child->convertPointToView(Point{0, 0}, nullptr), (Point{110, 100}));
  EXPECT_EQ(child->convertPointFromView(Point{115, 125}, nullptr), (Point{5, 25}));
  // Round trip between siblings of different orientation.
  Point p = child->convertPointToView(Point{3, 4}, flipped.get());
  EXPECT_EQ(child->convertPointFromView(p, flipped.get()), (Point{3, 4}));
}

TEST(ViewGeometry, HitTestFindsTheDeepestVisibleView) {
  auto root = std::make_shared<View>(Rect(0, 0, 400, 300));
  auto a = std::make_shared<View>(Rect(0, 0, 200, 200));
  auto b = std::make_shared<View>(Rect(50, 50, 50, 50));
  root->addSubview(a);
  a->addSubview(b);
  EXPECT_EQ(root->hitTest(Point{60, 60}), b.get());
  EXPECT_EQ(root->hitTest(Point{10, 10}), a.get());
  EXPECT_EQ(root->hitTest(Point{300, 10}), root.get());
  EXPECT_EQ(root->hitTest(Point{500, 10}), nullptr);
  b->setHidden(true);
  EXPECT_EQ(root->hitTest(Point{60, 60}), a.get());
}

TEST(ViewHierarchy, TellsEverySubviewAboutWindowAndSuperviewMoves) {
  testing::TestPlatform platform;
  auto window = std::make_shared<Window>(Rect(0, 0, 300, 200), WindowStyle::Titled);
  auto parent = std::make_shared<CountingView>();
  auto child = std::make_shared<CountingView>();
  parent->addSubview(child);
  EXPECT_EQ(child->superviewMoves, 1);
  EXPECT_EQ(child->windowMoves, 0);

  window->contentView()->addSubview(parent);
  EXPECT_EQ(parent->windowMoves, 1);
  EXPECT_EQ(child->windowMoves, 1);
  EXPECT_EQ(child->window(), window.get());

  parent->removeFromSuperview();
  EXPECT_EQ(child->windowMoves, 2);
  EXPECT_EQ(child->window(), nullptr);
  EXPECT_EQ(parent->superview(), nullptr);
  EXPECT_TRUE(window->contentView()->subviews().empty());
}

TEST(ViewHierarchy, RefusesCycles) {
  auto a = std::make_shared<View>();
  auto b = std::make_shared<View>();
  a->addSubview(b);
  b->addSubview(a);
  a->addSubview(a);
  EXPECT_EQ(a->superview(), nullptr);
  EXPECT_EQ(b->superview(), a.get());
  EXPECT_TRUE(b->subviews().empty());
}

TEST(ViewHierarchy, FindsTheEnclosingMenuItem) {
  Menu menu;
  auto item = std::make_shared<MenuItem>();
  auto top = std::make_shared<View>();
  auto inner = std::make_shared<View>();
  top->addSubview(inner);
  EXPECT_EQ(inner->enclosingMenuItem(), nullptr);
  item->setView(top);
  menu.addItem(item);
  EXPECT_EQ(inner->enclosingMenuItem(), item.get());
  EXPECT_EQ(inner->enclosingMenuItem()->menu(), &menu);
  item->setView(nullptr);
  EXPECT_EQ(inner->enclosingMenuItem(), nullptr);
}

TEST(ViewDisplay, CountsRequestsAndClearsOnDisplay) {
  View view(Rect(0, 0, 10, 10));
  EXPECT_FALSE(view.needsDisplay());
  view.setNeedsDisplay();
  view.setNeedsDisplay();
  EXPECT_EQ(view.displayRequestCount(), 2);
  EXPECT_TRUE(view.needsDisplay());
  view.display();
  EXPECT_FALSE(view.needsDisplay());
  EXPECT_EQ(view.displayRequestCount(), 2);
}

TEST(ViewAppearance, InheritsAndNotifiesOnlyOnChange) {
  auto parent = std::make_shared<View>();
  auto child = std::make_shared<CountingView>();
  parent->addSubview(child);
  int before = child->appearanceChanges;
  EXPECT_EQ(child->effectiveAppearance(), Appearance::Aqua);
  parent->setAppearance(Appearance::DarkAqua);
  EXPECT_EQ(child->effectiveAppearance(), Appearance::DarkAqua);
  EXPECT_EQ(child->appearanceChanges, before + 1);
  parent->setAppearance(Appearance::DarkAqua);
  EXPECT_EQ(child->appearanceChanges, before + 1);
  // A view with its own appearance does not follow its superview.
  child->setAppearance(Appearance::Aqua);
  parent->setAppearance(std::nullopt);
  EXPECT_EQ(child->appearanceChanges, before + 2);
}

TEST(DrawingContext, CarriesTheShadowUntilTheStateIsRestored) {
  DrawingContext context;
  Shadow shadow{Color::black(0.25), 1.0, Size{0, -0.5}};
  context.fillRoundedRect(Rect(0, 0, 10, 10), 5, 5, Color::white());
  context.saveGraphicsState();
  context.setShadow(shadow);
  context.fillRoundedRect(Rect(1, 1, 5, 5), 2, 2, Color::white());
  context.restoreGraphicsState();
  context.restoreGraphicsState();  // unbalanced: ignored
  context.fillRoundedRect(Rect(2, 2, 5, 5), 2, 2, Color::white());
  auto fills = context.commandsOf<FillRoundedRect>();
  ASSERT_EQ(fills.size(), 3u);
  EXPECT_FALSE(fills[0].shadow);
  EXPECT_EQ(fills[1].shadow, shadow);
  EXPECT_FALSE(fills[2].shadow);
  EXPECT_EQ(context.commandsOf<RestoreGraphicsState>().size(), 1u);
}

}  // namespace
}  // namespace vigilix::platform
