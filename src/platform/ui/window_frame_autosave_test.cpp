#include <gtest/gtest.h>

#include "platform/defaults/user_defaults.h"
#include "platform/ui/screen_placement.h"
#include "platform/ui/window.h"
#include "testing/captured_log.h"
#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

TEST(WindowFrameAutosaveTest, TheFrameTextRoundTripsAndDamagedTextIsNone) {
  EXPECT_EQ(Window::frameDescriptor(Rect(395, 300, 650, 548), Rect(0, 0, 1440, 875)),
            "395 300 650 548 0 0 1440 875 ");
  struct Row {
    const char* name;
    const char* text;
    std::optional<Rect> frame;
  };
  const Row rows[] = {
      {"eight numbers", "395 300 650 548 0 0 1440 875 ", Rect(395, 300, 650, 548)},
      {"the frame alone", "-20 40 650 548", Rect(-20, 40, 650, 548)},
      {"reals", "10.5 20 650 548 0 0 1440 875", Rect(10.5, 20, 650, 548)},
      {"too few numbers", "395 300 650", std::nullopt},
      {"a word inside", "395 300 wide 548", std::nullopt},
      {"a number run into a word", "395 300x 650 548", std::nullopt},
      {"a zero width", "395 300 0 548", std::nullopt},
      {"a negative height", "395 300 650 -1", std::nullopt},
      {"not a number", "395 300 nan 548", std::nullopt},
      {"empty", "", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Window::frameFromDescriptor(row.text), row.frame);
  }
}

TEST(WindowFrameAutosaveTest, AKeptFrameIsFittedOntoAScreenThatIsThere) {
  const std::vector<Rect> two{Rect(0, 0, 1440, 875), Rect(1440, 0, 1920, 1055)};
  struct Row {
    const char* name;
    Rect kept;
    std::vector<Rect> screens;
    Rect fitted;
    bool desktop = false;  // where the renderer opens it: y down, never shrunk
  };
  const Row rows[] = {
      {"on screen: unchanged", Rect(100, 100, 650, 548), two, Rect(100, 100, 650, 548)},
      {"on the second screen", Rect(2000, 200, 650, 548), two, Rect(2000, 200, 650, 548)},
      {"the second screen is gone: onto the main one",
       Rect(2000, 200, 650, 548),
       {Rect(0, 0, 1440, 875)},
       Rect(790, 200, 650, 548)},
      {"half off the left edge", Rect(-300, 100, 650, 548), two, Rect(0, 100, 650, 548)},
      {"above the top", Rect(100, 700, 650, 548), two, Rect(100, 327, 650, 548)},
      {"taller than the screen shrinks to it", Rect(100, 100, 650, 2000), two,
       Rect(100, 0, 650, 875)},
      {"across two screens: the one it overlaps most", Rect(1300, 100, 650, 548), two,
       Rect(1440, 100, 650, 548)},
      {"desktop: inside", Rect(100, 100, 650, 548), two, Rect(100, 100, 650, 548), true},
      {"desktop: partly below the bottom", Rect(100, 700, 650, 548), two, Rect(100, 327, 650, 548),
       true},
      {"desktop: its screen is gone",
       Rect(4000, 200, 650, 548),
       {Rect(0, 30, 1440, 870)},
       Rect(790, 200, 650, 548),
       true},
      {"desktop: larger than the screen keeps its top left corner on it",
       Rect(100, 100, 2000, 1200), two, Rect(0, 0, 2000, 1200), true},
      {"desktop: no screens known",
       Rect(-500, -500, 650, 548),
       {},
       Rect(-500, -500, 650, 548),
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.desktop ? fittedOntoScreens(row.kept, row.screens, false)
                          : Window::fittedOnScreen(row.kept, row.screens),
              row.fitted);
  }
}

TEST(WindowFrameAutosaveTest, TheNamedWindowOpensWhereItWasLeftAndKeepsEveryMove) {
  struct Row {
    const char* name;
    std::optional<PropertyValue> kept;
    Point origin;  // where the window is after taking its name
    bool logged;
  };
  const Row rows[] = {
      {"nothing kept: where it was made", std::nullopt, Point{10, 20}, false},
      {"a kept frame", "200 150 300 228 0 0 1440 875 ", Point{200, 150}, false},
      {"a kept frame off screen comes back", "5000 150 300 228 0 0 1920 1080 ", Point{1140, 150},
       false},
      {"damaged text is logged and left", "200 150 wide", Point{10, 20}, true},
      {"not text", 42, Point{10, 20}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    vigilix::testing::TestPlatform platform;
    vigilix::testing::CapturedLog log;
    auto& defaults = UserDefaults::standard();
    if (row.kept) defaults.set("NSWindow Frame Settings", *row.kept);
    auto window = std::make_shared<Window>(Rect(10, 20, 300, 200), WindowStyle::Titled);
    EXPECT_TRUE(window->setFrameAutosaveName("Settings"));
    EXPECT_EQ(window->frame().origin, row.origin);
    EXPECT_EQ(log.containsFragment("The kept frame of window \"Settings\" cannot be read"),
              row.logged);
    EXPECT_EQ(defaults.userValue("NSWindow Frame Settings"), row.kept);  // only read

    // The name is one window's; the first keeps it.
    auto other = std::make_shared<Window>(Rect(0, 0, 100, 100), WindowStyle::Titled);
    EXPECT_FALSE(other->setFrameAutosaveName("Settings"));
    EXPECT_EQ(Window::windowsWithFrameAutosaveName("Settings"), std::vector<Window*>{window.get()});

    window->setFrameOrigin(Point{400, 300});
    EXPECT_EQ(defaults.stringValue("NSWindow Frame Settings"), "400 300 300 228 0 0 1440 875 ");
    window->setContentSize(Size{300, 100});  // the top edge stays
    EXPECT_EQ(defaults.stringValue("NSWindow Frame Settings"), "400 400 300 128 0 0 1440 875 ");
  }
  EXPECT_TRUE(Window::windowsWithFrameAutosaveName("Settings").empty());
}

}  // namespace
}  // namespace vigilix::platform
