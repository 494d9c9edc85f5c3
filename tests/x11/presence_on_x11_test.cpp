#include <gtest/gtest.h>

// After gtest: Xlib's macros (None, Bool) break its headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <functional>
#include <vector>

#include "direct/presence/presence_poster.h"
#include "platform/x11/x11_idle_time.h"
#include "platform/x11/x11_pointer.h"
#include "x11/xvfb_display.h"

namespace vigilix {
namespace {

using testing::XvfbDisplay;

// The user's own hand on the display: a second connection.
class UserHand {
 public:
  explicit UserHand(const std::string& name) : display_(XOpenDisplay(name.c_str())) {}
  ~UserHand() {
    if (display_) XCloseDisplay(display_);
  }
  bool connected() const { return display_ != nullptr; }
  // Input as the user makes it: the server counts it as activity.
  void move(int x, int y) {
    XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
    XSync(display_, False);
  }

 private:
  Display* display_;
};

// The poster on a live display: its pointer readings and moves are the X
// server's, its timers run by hand.
TEST(PresenceOnX11Test, ATickNudgesAndReturns) {
  if (!XvfbDisplay::available()) GTEST_SKIP() << "no Xvfb";
  XvfbDisplay server;
  auto pointer = platform::X11Pointer::open(server.name());
  ASSERT_TRUE(pointer.has_value()) << pointer.error();
  auto idle = platform::X11IdleTime::open(server.name());
  ASSERT_TRUE(idle.has_value()) << idle.error();
  UserHand hand(server.name());
  ASSERT_TRUE(hand.connected());

  using Act = std::function<void(VGXPresenceGates&, UserHand&)>;
  struct Row {
    const char* name;
    Act beforeTick;
    Act beforeReturn;
    VGXPoint afterTick;
    VGXPoint afterReturn;
    std::optional<VGXPresenceSkip> skipped;
  };
  const Row rows[] = {
      {"nudged one pixel and put back", {}, {}, {101, 100}, {100, 100}, std::nullopt},
      {"taken by the user: left where the user put it",
       {},
       [](auto&, UserHand& user) { user.move(200, 150); },
       {101, 100},
       {200, 150},
       std::nullopt},
      {"locked: no nudge",
       [](VGXPresenceGates& g, auto&) { g.lock = VGXLockState::locked; },
       {},
       {100, 100},
       {100, 100},
       VGXPresenceSkip::locked},
      {"the user is active: no nudge",
       [](VGXPresenceGates& g, UserHand& user) {
         user.move(100, 100);
         g.idleSeconds.reset();  // read from the server below
       },
       {},
       {100, 100},
       {100, 100},
       VGXPresenceSkip::notIdle},
      {"forbidden by the policy: no nudge",
       [](VGXPresenceGates& g, auto&) { g.enabled = false; },
       {},
       {100, 100},
       {100, 100},
       VGXPresenceSkip::disabled},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hand.move(100, 100);
    VGXPresenceGates gates{true, true, true, false, false, true, VGXLockState::unlocked, true, 600};
    if (row.beforeTick) row.beforeTick(gates, hand);
    const bool liveIdle = !gates.idleSeconds;
    std::vector<std::function<void()>> timers;
    auto& live = **pointer;
    auto poster = VGXPresencePoster::make({
        [&] {
          VGXPresenceGates now = gates;
          if (liveIdle) now.idleSeconds = (*idle)->secondsSinceLastInput();
          return now;
        },
        [&]() -> std::optional<VGXPoint> {
          const auto at = live.position();
          return at ? std::optional(VGXPoint{at->x, at->y}) : std::nullopt;
        },
        [&](VGXPoint at) {
          std::optional<std::vector<VGXDisplay>> displays;
          if (auto screens = live.screens()) {
            displays.emplace();
            for (const auto& s : *screens)
              displays->push_back({{s.x, s.y, s.width, s.height}, s.asleep});
          }
          return VGXPresenceRules::displayBounds(displays, at);
        },
        [&](VGXPoint to) {
          return live.moveTo({to.x, to.y});
        },
        [&](double delay, std::function<void()> action) -> VGXPresencePoster::Cancel {
          if (delay < 1) timers.push_back(std::move(action));
          return [] {};
        },
        [] {},
        [] { return platform::Date(0); },
    });
    poster->start();
    const auto afterTick = live.position();
    ASSERT_TRUE(afterTick.has_value());
    EXPECT_EQ((VGXPoint{afterTick->x, afterTick->y}), row.afterTick);
    if (row.beforeReturn) row.beforeReturn(gates, hand);
    for (auto& timer : std::exchange(timers, {})) timer();
    const auto afterReturn = live.position();
    ASSERT_TRUE(afterReturn.has_value());
    EXPECT_EQ((VGXPoint{afterReturn->x, afterReturn->y}), row.afterReturn);
    ASSERT_TRUE(poster->lastResult().has_value());
    if (row.skipped) {
      EXPECT_EQ(poster->lastResult()->kind, VGXPresenceLastResult::Kind::skipped);
      EXPECT_EQ(poster->lastResult()->reason, *row.skipped);
    } else {
      EXPECT_EQ(poster->lastResult()->kind, VGXPresenceLastResult::Kind::moved);
    }
    poster->stop();
  }
}

}  // namespace
}  // namespace vigilix
