#include "menubar/menu_header_view.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

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

TEST_F(MenuHeaderViewTest, ReasonLineStartsAtTheInsetOrAfterTheAttentionSymbol) {
  struct Row {
    const char* name;
    int systemMajorVersion;
    double inset;
    bool attention;
  };
  const Row rows[] = {
      {"before 26, plain", 15, 21, false},
      {"before 26, attention", 15, 21, true},
      {"26, plain", 26, 29, false},
      {"26, attention", 26, 29, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform::Application::setOperatingSystemVersion({row.systemMajorVersion, 0, 0});
    auto header = makeHeader();
    header->apply("Your computer can sleep", false, true);
    header->setAttention(!row.attention);  // shown and hidden again ends where it started
    header->layoutSubtreeIfNeeded();
    header->setAttention(row.attention);
    header->layoutSubtreeIfNeeded();
    auto reason = header->reasonLabel()->frame();
    auto symbol = header->attentionImage()->frame();
    EXPECT_EQ(header->titleLabel()->frame().minX(), row.inset);
    EXPECT_EQ(reason.minX(), row.inset + (row.attention ? 18 : 0));
    EXPECT_EQ(header->attentionImage()->isHidden(), !row.attention);
    EXPECT_EQ(header->attentionImage()->isAccessibilityElement(), row.attention);
    // The 14-point symbol sits in front of the line, centred on it.
    EXPECT_EQ(symbol, Rect(row.inset, reason.midY() - 7, 14, 14));
  }
}

TEST_F(MenuHeaderViewTest, AccessibilityValueFollowsAttentionThenState) {
  struct Row {
    const char* reason;
    bool isOn;
    std::optional<std::string> attention;
    std::string value;
  };
  const Row rows[] = {
      {"Until you turn it off", true, std::nullopt, "On, Until you turn it off"},
      {"Your computer can sleep", false, std::nullopt, "Off"},
      // An attention text wins whatever the switch shows; an empty one does not.
      {"Your computer can sleep", false, "Keep-awake is not working", "Keep-awake is not working"},
      {"Until you turn it off", true, "Keep-awake is not working", "Keep-awake is not working"},
      {"Until you turn it off", true, "", "On, Until you turn it off"},
  };
  auto header = makeHeader();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    header->apply(row.reason, row.isOn, true, row.attention);
    EXPECT_EQ(header->accessibilityLabel(), "Keep Awake");
    EXPECT_EQ(header->accessibilityValue(), row.value);
    EXPECT_EQ(header->reasonLabel()->stringValue(), row.reason);
    EXPECT_EQ(header->keepAwakeSwitch()->accessibilityLabel(), "Keep Awake");
    EXPECT_EQ(header->keepAwakeSwitch()->accessibilityValue(), row.isOn ? "On" : "Off");
  }
}

TEST_F(MenuHeaderViewTest, ApplyNeverReportsAToggleButAClickDoesOnce) {
  auto header = makeHeader();
  header->apply("Until you turn it off", true, true);
  header->apply("Your computer can sleep", false, true);
  EXPECT_TRUE(toggles.empty());
  // The value-changed notification went out for each real change only.
  header->apply("Your computer can sleep", false, true);
  EXPECT_EQ(accessibility.valueChangedCount(*header->keepAwakeSwitch()), 2);

  header->layoutSubtreeIfNeeded();
  ui::click(*header->keepAwakeSwitch());
  EXPECT_EQ(toggles, std::vector<bool>{true});
  EXPECT_EQ(header->keepAwakeSwitch()->state(), ControlStateValue::On);
  // The next refresh puts the hub's state back without a report.
  header->apply("Your computer can sleep", false, true);
  EXPECT_EQ(header->keepAwakeSwitch()->state(), ControlStateValue::Off);
  EXPECT_EQ(toggles.size(), 1u);

  header->keepAwakeSwitch()->accessibilityPerformPress();
  EXPECT_EQ(toggles, (std::vector<bool>{true, true}));
}

TEST_F(MenuHeaderViewTest, ADisabledSwitchTakesNoClicks) {
  auto header = makeHeader();
  header->apply("Paused because your computer is hot", false, false);
  header->layoutSubtreeIfNeeded();
  EXPECT_FALSE(header->keepAwakeSwitch()->isEnabled());
  ui::click(*header->keepAwakeSwitch());
  EXPECT_FALSE(header->keepAwakeSwitch()->accessibilityPerformPress());
  EXPECT_TRUE(toggles.empty());
}

TEST_F(MenuHeaderViewTest, WidthComesFromTheWindowThenTheMenuThenTheMinimum) {
  auto header = makeHeader();
  header->apply("Your computer can sleep", false, true);
  EXPECT_EQ(header->frame().size, (platform::Size{280, 46}));

  platform::Menu menu;
  auto item = std::make_shared<platform::MenuItem>();
  menu.addItem(item);
  item->setView(header);
  EXPECT_EQ(header->frame().width(), 280);  // the menu is not laid out yet
  menu.setSize(platform::Size{320, 400});
  header->apply("Your computer can sleep", false, true);
  EXPECT_EQ(header->frame().width(), 320);

  auto window =
      std::make_shared<platform::Window>(Rect(0, 0, 360, 46), platform::WindowStyle::Borderless);
  window->contentView()->addSubview(header);  // moving to a window re-sizes at once
  EXPECT_EQ(header->frame().size, (platform::Size{360, 46}));

  // Laid out at that width, the switch keeps 14 points to the right edge.
  header->layoutSubtreeIfNeeded();
  EXPECT_EQ(header->keepAwakeSwitch()->frame(), Rect(360 - 14 - 38, 14, 38, 18));
}

}  // namespace
}  // namespace vigilix
