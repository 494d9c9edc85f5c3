#include "menubar/menu_switch.h"

#include <gtest/gtest.h>

#include "testing/test_platform.h"
#include "testing/ui_driver.h"

namespace vigilix {
namespace {

using platform::Color;
using platform::ControlStateValue;
using platform::FillRoundedRect;
using platform::Point;
using platform::Rect;
namespace ui = testing::ui;

class MenuSwitchTest : public ::testing::Test {
 protected:
  MenuSwitchTest() : toggle(std::make_shared<VGXMenuSwitch>(Rect(0, 0, 50, 30))) {
    toggle->setAction([this](platform::Control&) { ++actions; });
  }

  std::vector<FillRoundedRect> fills() { return toggle->display().commandsOf<FillRoundedRect>(); }

  testing::TestPlatform platform;
  testing::AccessibilityCapture accessibility;
  std::shared_ptr<VGXMenuSwitch> toggle;
  int actions = 0;
};

TEST_F(MenuSwitchTest, AClickFlipsTheStateAndSendsTheActionOnce) {
  EXPECT_EQ(toggle->state(), ControlStateValue::Off);
  ui::mouseDown(*toggle, Point{25, 15});
  EXPECT_TRUE(toggle->isPressed());
  EXPECT_EQ(actions, 0);
  ui::mouseUp(*toggle, Point{25, 15});
  EXPECT_FALSE(toggle->isPressed());
  EXPECT_EQ(toggle->state(), ControlStateValue::On);
  EXPECT_EQ(actions, 1);
  EXPECT_EQ(accessibility.valueChangedCount(*toggle), 1);
  ui::click(*toggle);
  EXPECT_EQ(toggle->state(), ControlStateValue::Off);
  EXPECT_EQ(actions, 2);
}

TEST_F(MenuSwitchTest, APressDraggedOutAndReleasedOutsideChangesNothing) {
  ui::mouseDown(*toggle, Point{25, 15});
  ui::mouseDragged(*toggle, Point{80, 15});
  EXPECT_FALSE(toggle->isPressed());
  ui::mouseUp(*toggle, Point{80, 15});
  EXPECT_EQ(toggle->state(), ControlStateValue::Off);
  EXPECT_EQ(actions, 0);

  // Dragging back in before the release still counts.
  ui::mouseDown(*toggle, Point{25, 15});
  ui::mouseDragged(*toggle, Point{80, 15});
  ui::mouseDragged(*toggle, Point{10, 10});
  EXPECT_TRUE(toggle->isPressed());
  ui::mouseUp(*toggle, Point{10, 10});
  EXPECT_EQ(toggle->state(), ControlStateValue::On);

  // Pressed outside the drag, released inside: it was not pressed.
  ui::mouseDown(*toggle, Point{25, 15});
  ui::mouseDragged(*toggle, Point{80, 15});
  ui::mouseUp(*toggle, Point{25, 15});
  EXPECT_EQ(toggle->state(), ControlStateValue::On);
  EXPECT_EQ(actions, 1);
}

TEST_F(MenuSwitchTest, TheAccessibilityPressTogglesOnlyWhileEnabled) {
  EXPECT_TRUE(toggle->accessibilityPerformPress());
  EXPECT_EQ(toggle->state(), ControlStateValue::On);
  EXPECT_EQ(actions, 1);
  toggle->setEnabled(false);
  EXPECT_FALSE(toggle->isAccessibilityEnabled());
  EXPECT_FALSE(toggle->accessibilityPerformPress());
  ui::click(*toggle);
  EXPECT_FALSE(toggle->isPressed());
  EXPECT_EQ(toggle->state(), ControlStateValue::On);
  EXPECT_EQ(actions, 1);
  EXPECT_EQ(toggle->accessibilityRole(), platform::AccessibilityRole::Button);
  EXPECT_EQ(toggle->accessibilitySubrole(), platform::AccessibilitySubrole::Switch);
}

TEST_F(MenuSwitchTest, SettingTheStatePostsOnlyOnChange) {
  int redraws = toggle->displayRequestCount();
  toggle->setState(ControlStateValue::Off);
  EXPECT_EQ(accessibility.valueChangedCount(*toggle), 0);
  EXPECT_EQ(toggle->displayRequestCount(), redraws);
  toggle->setState(ControlStateValue::On);
  EXPECT_EQ(accessibility.valueChangedCount(*toggle), 1);
  EXPECT_GT(toggle->displayRequestCount(), redraws);
  EXPECT_EQ(actions, 0);  // only a user's change sends the action
  int beforeAppearance = toggle->displayRequestCount();
  toggle->setAppearance(platform::Appearance::DarkAqua);
  EXPECT_GT(toggle->displayRequestCount(), beforeAppearance);
}

TEST_F(MenuSwitchTest, DrawsTrackAndKnobCentredForEachState) {
  // Off and enabled: 38 x 18 centred in 50 x 30, knob at the left.
  auto off = fills();
  ASSERT_EQ(off.size(), 2u);
  EXPECT_EQ(off[0].rect, Rect(6, 6, 38, 18));
  EXPECT_EQ(off[0].radiusX, 9);
  EXPECT_EQ(off[0].color, Color::tertiaryLabel());
  EXPECT_EQ(off[1].rect, Rect(8, 8, 22, 14));
  EXPECT_EQ(off[1].radiusX, 7);
  EXPECT_EQ(off[1].color, Color::white(1.0));
  ASSERT_TRUE(off[1].shadow);
  EXPECT_EQ(*off[1].shadow, (platform::Shadow{Color::black(0.25), 1.0, platform::Size{0, -0.5}}));
  EXPECT_FALSE(off[0].shadow);

  toggle->setState(ControlStateValue::On);
  auto on = fills();
  EXPECT_EQ(on[0].color, VGXMenuSwitch::onColor());
  EXPECT_EQ(on[0].color, Color::systemGreen());
  EXPECT_EQ(on[1].rect, Rect(20, 8, 22, 14));  // right edge 2 points inside

  ui::mouseDown(*toggle, Point{25, 15});
  auto pressed = fills();
  ASSERT_EQ(pressed.size(), 3u);
  EXPECT_EQ(pressed[1].rect, pressed[0].rect);
  EXPECT_EQ(pressed[1].color, Color::black(0.12));
}

TEST_F(MenuSwitchTest, DisabledDrawsTheTrackAt45PercentAndTheKnobAt70PercentWhite) {
  toggle->setEnabled(false);
  auto disabled = fills();
  ASSERT_EQ(disabled.size(), 2u);
  EXPECT_DOUBLE_EQ(disabled[0].color.alphaComponent(),
                   Color::tertiaryLabel().alphaComponent() * 0.45);
  EXPECT_EQ(disabled[1].color, Color::white(0.7));
  ASSERT_TRUE(disabled[1].shadow);
  EXPECT_DOUBLE_EQ(disabled[1].shadow->color.alphaComponent(), 0.45 * 0.25);
  toggle->setState(ControlStateValue::On);
  EXPECT_DOUBLE_EQ(fills()[0].color.alphaComponent(), 0.45);
}

}  // namespace
}  // namespace vigilix
