// The application's choice of live readers for each kind of session, and the
// hub restarting a session's timer from the X display's idle time.
#include "app/desktop_inputs.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/hub_composition.h"
#include "hub/trigger_bridge.h"
#include "platform/system/logind_idle_time.h"
#include "platform/system/user_idle_time.h"
#include "platform/system/wifi_interface.h"
#include "platform/x11/x11_active_window.h"
#include "platform/x11/x11_idle_time.h"
#include "testing/absent_bus.h"
#include "testing/captured_log.h"
#include "testing/test_platform.h"
#include "triggers/system_sample.h"
#include "x11/xvfb_display.h"

// Last: Xlib's macros (None, Bool, Status) break the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace vigilix::testing {
namespace {

TEST(DesktopInputsTest, EachSessionGetsTheReadersItsDisplayCanAnswer) {
  if (!XvfbDisplay::available()) GTEST_SKIP() << "no Xvfb";
  XvfbDisplay server;
  AbsentBus noSystemBus(platform::BusKind::System);
  enum class Idle { X11, Logind };
  struct Row {
    const char* name;
    platform::SessionVariables session;
    Idle idle;
    bool activeWindow;
    const char* said;
  };
  const Row rows[] = {
      {"an X11 session", {server.name(), "", "x11"}, Idle::X11, true, "come from X display"},
      {"Wayland", {server.name(), "wayland-0", "wayland"}, Idle::Logind, false, "Wayland session"},
      {"a text console", {"", "", "tty"}, Idle::Logind, false, "No X display"},
      {"a display that does not answer",
       {":4097", "", "x11"},
       Idle::Logind,
       false,
       "does not answer"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CapturedLog log;
    const DesktopInputs inputs = makeDesktopInputs(row.session);
    ASSERT_NE(inputs.idleTime, nullptr);
    EXPECT_EQ(dynamic_cast<platform::X11IdleTime*>(inputs.idleTime.get()) != nullptr,
              row.idle == Idle::X11);
    EXPECT_EQ(dynamic_cast<platform::LogindIdleTime*>(inputs.idleTime.get()) != nullptr,
              row.idle == Idle::Logind);
    EXPECT_EQ(inputs.activeWindow != nullptr, row.activeWindow);
    EXPECT_TRUE(log.containsFragment(row.said));
  }
}

// A person keeps working through a 30-minute session with restart-on-activity
// on: the X display's idle time moves the end on at every tick.
TEST(DesktopInputsTest, WorkSeenOnTheDisplayKeepsATimedSessionGoing) {
  if (!XvfbDisplay::available()) GTEST_SKIP() << "no Xvfb";
  XvfbDisplay server;
  AbsentBus noSystemBus(platform::BusKind::System);
  TestPlatform platform;
  platform::UserDefaults::standard().set("VGXRestartTimerOnActivity", true);
  const auto idle = installDesktopInputs(makeDesktopInputs({server.name(), "", "x11"}));

  auto hub = composeHub({.makeSampler =
                             [] {
                               struct Quiet : SystemSampling {
                                 SystemSample sample(const SampleInputs&) override { return {}; }
                               };
                               return std::make_shared<Quiet>();
                             },
                         .secondsSinceLastInput = idle});
  hub->start();
  platform.runUntilIdle();
  hub->keepAwakeForDuration(1800);
  Display* user = XOpenDisplay(server.name().c_str());
  ASSERT_NE(user, nullptr);
  for (int minute = 0; minute < 40; ++minute) {
    XTestFakeMotionEvent(user, -1, minute % 50, 5, 0);
    XSync(user, False);
    platform.advance(60);
  }
  XCloseDisplay(user);
  ASSERT_TRUE(hub->manualFireDate().has_value()) << "forty minutes on, the session still runs";
  EXPECT_GT(*hub->manualFireDate() - platform.now(), 1700);

  hub.reset();
  platform::ActiveWindowOwner::setCurrent(nullptr);
  platform::WiFiInterface::setCurrent(nullptr);
  platform::UserIdleTime::setCurrent(nullptr);
}

}  // namespace
}  // namespace vigilix::testing
