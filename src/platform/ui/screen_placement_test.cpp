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

}  // namespace
}  // namespace vigilix::platform
