#include "platform/ui/screen_placement.h"

#include <gtest/gtest.h>

namespace vigilix::platform {
namespace {

TEST(ScreenPlacementTest, ModelAndDesktopRectanglesFlipIntoEachOther) {
  struct Row {
    const char* name;
    Rect desktop;
    double mainScreenBottom;
    Rect model;
  };
  const Row rows[] = {
      {"the main screen's top left corner", Rect(0, 0, 100, 50), 900, Rect(0, 850, 100, 50)},
      {"its lower edge is the models' zero", Rect(300, 532, 650, 548), 1080,
       Rect(300, 0, 650, 548)},
      {"a screen above the main one", Rect(10, -200, 100, 50), 900, Rect(10, 1050, 100, 50)},
      {"a main screen that starts lower", Rect(40, 500, 100, 50), 1300, Rect(40, 750, 100, 50)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(flippedScreenRect(row.desktop, row.mainScreenBottom), row.model);
    EXPECT_EQ(flippedScreenRect(row.model, row.mainScreenBottom), row.desktop);
  }
}

TEST(ScreenPlacementTest, AFrameIsPutOnAScreenThatIsThere) {
  // Desktop coordinates: the main screen under a panel 30 high, a second one to its right.
  const std::vector<Rect> two{Rect(0, 30, 1440, 870), Rect(1440, 0, 1920, 1080)};
  struct Row {
    const char* name;
    Rect frame;
    std::vector<Rect> screens;
    bool shrink;
    Rect placed;
  };
  const Row rows[] = {
      {"inside: unchanged", Rect(100, 100, 650, 548), two, false, Rect(100, 100, 650, 548)},
      {"on the second screen", Rect(2000, 200, 650, 548), two, false, Rect(2000, 200, 650, 548)},
      {"partly off the left edge", Rect(-300, 100, 650, 548), two, false, Rect(0, 100, 650, 548)},
      {"under the panel", Rect(100, 0, 650, 548), two, false, Rect(100, 30, 650, 548)},
      {"partly below the bottom", Rect(100, 700, 650, 548), two, false, Rect(100, 352, 650, 548)},
      {"across two screens: the one it covers most", Rect(1300, 100, 650, 548), two, false,
       Rect(1440, 100, 650, 548)},
      {"its screen is gone: onto the main one",
       Rect(4000, 200, 650, 548),
       {Rect(0, 30, 1440, 870)},
       false,
       Rect(790, 200, 650, 548)},
      {"larger than the screen: its top left corner on it", Rect(100, 100, 2000, 1200), two, false,
       Rect(0, 30, 2000, 1200)},
      {"larger and shrunk: the screen", Rect(100, 100, 2000, 1200), two, true,
       Rect(0, 30, 1440, 870)},
      {"no screens known: unchanged",
       Rect(-500, -500, 650, 548),
       {},
       false,
       Rect(-500, -500, 650, 548)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(fittedOntoScreens(row.frame, row.screens, row.shrink), row.placed);
  }
}

}  // namespace
}  // namespace vigilix::platform
