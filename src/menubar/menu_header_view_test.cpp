#include "menubar/menu_header_view.h"

#include <gtest/gtest.h>

#include "platform/ui/application.h"
#include "platform/ui/menu.h"
#include "platform/ui/window.h"
#include "testing/test_platform.h"
#include "testing/ui_driver.h"

namespace vigilix {
namespace {

using platform::ControlStateValue;
using platform::Rect;
namespace ui = testing::ui;

class MenuHeaderViewTest : public ::testing::Test {
 protected:
  std::shared_ptr<VGXMenuHeaderView> makeHeader() {
    auto header = VGXMenuHeaderView::create(Rect());
    header->setOnToggle([this](bool on) { toggles.push_back(on); });
    return header;
  }

  testing::TestPlatform platform;
  testing::AccessibilityCapture accessibility;
  std::vector<bool> toggles;
};

TEST_F(MenuHeaderViewTest, SetsUpTitleReasonSwitchAndHiddenSymbol) {
  auto header = makeHeader();
  EXPECT_EQ(header->titleLabel()->stringValue(), "Keep Awake");
  EXPECT_EQ(header->titleLabel()->font(),
            platform::Font::systemFont(13, platform::Font::Weight::Semibold));
  EXPECT_EQ(header->reasonLabel()->font(), platform::Font::systemFont(12));
  EXPECT_EQ(header->reasonLabel()->textColor(), platform::Color::secondaryLabel());
  EXPECT_FALSE(header->titleLabel()->isAccessibilityElement());
  EXPECT_FALSE(header->reasonLabel()->isAccessibilityElement());
  EXPECT_TRUE(header->isAccessibilityElement());
  EXPECT_EQ(header->accessibilityRole(), platform::AccessibilityRole::Group);
  ASSERT_EQ(header->subviews().size(), 4u);
  EXPECT_EQ(header->subviews()[2], header->keepAwakeSwitch());
  EXPECT_EQ(header->keepAwakeSwitch()->accessibilityLabel(), "Keep Awake");
  EXPECT_EQ(header->keepAwakeSwitch()->state(), ControlStateValue::Off);

  const auto& image = header->attentionImage()->image();
  ASSERT_TRUE(image);
  EXPECT_EQ(image->symbolName(), "exclamationmark.triangle");
  EXPECT_EQ(image->accessibilityDescription(), "Attention");
  EXPECT_EQ(image->paletteColors(), std::vector<platform::Color>{platform::Color::systemOrange()});
  EXPECT_FALSE(image->isTemplate());
  EXPECT_TRUE(header->attentionImage()->isHidden());
  EXPECT_FALSE(header->attentionImage()->isAccessibilityElement());
  EXPECT_EQ(header->intrinsicContentSize().height, 46);
}

TEST_F(MenuHeaderViewTest, ASystemWithoutTheSymbolLeavesTheImageEmpty) {
  platform::Image::setSystemSymbolAvailable("exclamationmark.triangle", false);
  auto header = makeHeader();
  EXPECT_FALSE(header->attentionImage()->image());
  header->setAttention(true);  // still safe to show
  EXPECT_FALSE(header->attentionImage()->isHidden());
  platform::Image::resetSystemSymbols();
}

TEST_F(MenuHeaderViewTest, LeadingInsetFollowsTheSystemVersion) {
  platform::Application::setOperatingSystemVersion({15, 4, 0});
  auto older = makeHeader();
  EXPECT_EQ(older->reasonLeading()->constant(), 21);
  platform::Application::setOperatingSystemVersion({26, 0, 0});
  auto current = makeHeader();
  EXPECT_EQ(current->reasonLeading()->constant(), 29);
}

TEST_F(MenuHeaderViewTest, AttentionMovesTheReasonLineRightAndExposesTheSymbol) {
  auto header = makeHeader();
  header->apply("Your Mac can sleep", false, true);
  header->layoutSubtreeIfNeeded();
  double plainX = header->reasonLabel()->frame().minX();
  EXPECT_EQ(plainX, 29);

  header->setAttention(true);
  header->layoutSubtreeIfNeeded();
  EXPECT_EQ(header->reasonLeading()->constant(), 29 + 18);
  EXPECT_EQ(header->reasonLabel()->frame().minX(), plainX + 18);
  EXPECT_FALSE(header->attentionImage()->isHidden());
  EXPECT_TRUE(header->attentionImage()->isAccessibilityElement());
  // The symbol sits in front of the line, centred on it.
  auto symbol = header->attentionImage()->frame();
  EXPECT_EQ(symbol.minX(), 29);
  EXPECT_LE(symbol.maxX(), header->reasonLabel()->frame().minX());
  EXPECT_EQ(symbol.midY(), header->reasonLabel()->frame().midY());

  header->setAttention(false);
  header->layoutSubtreeIfNeeded();
  EXPECT_EQ(header->reasonLabel()->frame().minX(), plainX);
  EXPECT_TRUE(header->attentionImage()->isHidden());
  EXPECT_FALSE(header->attentionImage()->isAccessibilityElement());
}

TEST_F(MenuHeaderViewTest, AccessibilityValueFollowsAttentionThenState) {
  auto header = makeHeader();
  header->apply("Until you turn it off", true, true);
  EXPECT_EQ(header->accessibilityLabel(), "Keep Awake");
  EXPECT_EQ(header->accessibilityValue(), "On, Until you turn it off");
  EXPECT_EQ(header->keepAwakeSwitch()->accessibilityValue(), "On");

  header->apply("Your Mac can sleep", false, true);
  EXPECT_EQ(header->accessibilityValue(), "Off");
  EXPECT_EQ(header->keepAwakeSwitch()->accessibilityValue(), "Off");

  // An attention text wins whatever the switch shows; an empty one does not.
  header->apply("Your Mac can sleep", false, true, "Keep-awake is not working");
  EXPECT_EQ(header->accessibilityValue(), "Keep-awake is not working");
  header->apply("Until you turn it off", true, true, "Keep-awake is not working");
  EXPECT_EQ(header->accessibilityValue(), "Keep-awake is not working");
  header->apply("Until you turn it off", true, true, "");
  EXPECT_EQ(header->accessibilityValue(), "On, Until you turn it off");
  EXPECT_EQ(header->reasonLabel()->stringValue(), "Until you turn it off");
}

TEST_F(MenuHeaderViewTest, ApplyNeverReportsAToggleButAClickDoesOnce) {
  auto header = makeHeader();
  header->apply("Until you turn it off", true, true);
  header->apply("Your Mac can sleep", false, true);
  EXPECT_TRUE(toggles.empty());
  // The value-changed notification went out for each real change only.
  header->apply("Your Mac can sleep", false, true);
  EXPECT_EQ(accessibility.valueChangedCount(*header->keepAwakeSwitch()), 2);

  header->layoutSubtreeIfNeeded();
  ui::click(*header->keepAwakeSwitch());
  EXPECT_EQ(toggles, std::vector<bool>{true});
  EXPECT_EQ(header->keepAwakeSwitch()->state(), ControlStateValue::On);
  // The next refresh puts the hub's state back without a report.
  header->apply("Your Mac can sleep", false, true);
  EXPECT_EQ(header->keepAwakeSwitch()->state(), ControlStateValue::Off);
  EXPECT_EQ(toggles.size(), 1u);

  header->keepAwakeSwitch()->accessibilityPerformPress();
  EXPECT_EQ(toggles, (std::vector<bool>{true, true}));
}

TEST_F(MenuHeaderViewTest, ADisabledSwitchTakesNoClicks) {
  auto header = makeHeader();
  header->apply("Paused because your Mac is hot", false, false);
  header->layoutSubtreeIfNeeded();
  EXPECT_FALSE(header->keepAwakeSwitch()->isEnabled());
  ui::click(*header->keepAwakeSwitch());
  EXPECT_FALSE(header->keepAwakeSwitch()->accessibilityPerformPress());
  EXPECT_TRUE(toggles.empty());
}

TEST_F(MenuHeaderViewTest, WidthComesFromTheWindowThenTheMenuThenTheMinimum) {
  auto header = makeHeader();
  header->apply("Your Mac can sleep", false, true);
  EXPECT_EQ(header->frame().size, (platform::Size{280, 46}));
  EXPECT_EQ(header->widthConstraint()->constant(), 280);

  platform::Menu menu;
  auto item = std::make_shared<platform::MenuItem>();
  menu.addItem(item);
  item->setView(header);
  EXPECT_EQ(header->frame().width(), 280);  // the menu is not laid out yet
  menu.setSize(platform::Size{320, 400});
  header->apply("Your Mac can sleep", false, true);
  EXPECT_EQ(header->frame().width(), 320);
  EXPECT_EQ(header->widthConstraint()->constant(), 320);
  EXPECT_TRUE(header->widthConstraint()->isActive());

  auto window =
      std::make_shared<platform::Window>(Rect(0, 0, 360, 46), platform::WindowStyle::Borderless,
                                         platform::BackingStore::Buffered, false);
  window->contentView()->addSubview(header);  // moving to a window re-sizes at once
  EXPECT_EQ(header->frame().size, (platform::Size{360, 46}));

  // Laid out at that width, the switch keeps 14 points to the right edge.
  header->layoutSubtreeIfNeeded();
  EXPECT_EQ(header->keepAwakeSwitch()->frame(), Rect(360 - 14 - 38, 14, 38, 18));
}

}  // namespace
}  // namespace vigilix
