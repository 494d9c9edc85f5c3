// The active window's process and the user's idle time, read from a display
// of their own (Xvfb) where a test client plays the window manager and the
// user.
#include <gtest/gtest.h>
#include <unistd.h>

// After gtest: Xlib's macros (None, Bool) break its headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "platform/system/running_applications.h"
#include "platform/x11/x11_active_window.h"
#include "platform/x11/x11_idle_time.h"
#include "testing/captured_log.h"
#include "testing/fake_system.h"
#include "x11/xvfb_display.h"

namespace vigilix::testing {
namespace {

using platform::X11ActiveWindow;
using platform::X11IdleTime;

// A client that sets what a window manager sets, and moves the pointer as a
// person would.
class Desktop {
 public:
  explicit Desktop(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
    if (display_ == nullptr) throw std::runtime_error("cannot open " + display);
  }
  ~Desktop() { XCloseDisplay(display_); }

  Window newWindow() {
    return XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
  }
  void destroy(Window window) {
    XDestroyWindow(display_, window);
    XSync(display_, False);
  }
  void setActive(std::optional<Window> window) {
    const Atom active = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
    if (window) {
      setCardinal(DefaultRootWindow(display_), active, XA_WINDOW, *window);
    } else {
      XDeleteProperty(display_, DefaultRootWindow(display_), active);
    }
    XSync(display_, False);
  }
  void setProcess(Window window, unsigned long pid) {
    setCardinal(window, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, pid);
  }
  void setText(Window window, const char* property, const std::string& text) {
    XChangeProperty(display_, window, XInternAtom(display_, property, False), XA_STRING, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(text.data()),
                    static_cast<int>(text.size()));
    XSync(display_, False);
  }
  void movePointer() {
    XTestFakeMotionEvent(display_, -1, 5, 5, 0);
    XSync(display_, False);
  }

 private:
  void setCardinal(Window window, Atom property, Atom type, unsigned long value) {
    XChangeProperty(display_, window, property, type, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
    XSync(display_, False);
  }

  Display* display_;
};

std::string hostName() {
  char host[HOST_NAME_MAX + 1] = {};
  gethostname(host, sizeof host - 1);
  return host;
}

TEST(X11ActiveWindowTest, TheActiveWindowNamesItsProcessAsTheWindowManagerSetIt) {
  if (!XvfbDisplay::available()) GTEST_SKIP() << "no Xvfb";
  XvfbDisplay server;
  std::optional<Desktop> desktop(std::in_place, server.name());
  auto opened = X11ActiveWindow::open(server.name());
  ASSERT_TRUE(opened) << opened.error();
  X11ActiveWindow& reader = **opened;

  struct Row {
    const char* name;
    std::function<std::optional<Window>(Desktop&)> arrange;
    std::optional<std::int32_t> process;
  };
  const Row rows[] = {
      {"no window manager has said", [](Desktop&) { return std::nullopt; }, std::nullopt},
      {"an editor's window",
       [](Desktop& d) {
         const Window w = d.newWindow();
         d.setProcess(w, 4242);
         return w;
       },
       4242},
      {"a window of this machine",
       [](Desktop& d) {
         const Window w = d.newWindow();
         d.setProcess(w, 777);
         d.setText(w, "WM_CLIENT_MACHINE", hostName());
         return w;
       },
       777},
      {"a window of another machine",
       [](Desktop& d) {
         const Window w = d.newWindow();
         d.setProcess(w, 777);
         d.setText(w, "WM_CLIENT_MACHINE", "elsewhere.example");
         return w;
       },
       std::nullopt},
      {"a window that says no process", [](Desktop& d) { return d.newWindow(); }, std::nullopt},
      {"a process number as text",
       [](Desktop& d) {
         const Window w = d.newWindow();
         d.setText(w, "_NET_WM_PID", "4242");
         return w;
       },
       std::nullopt},
      {"a process number beyond the range",
       [](Desktop& d) {
         const Window w = d.newWindow();
         d.setProcess(w, 0x80000000UL);
         return w;
       },
       std::nullopt},
      {"a window closed since it was made active",
       [](Desktop& d) {
         const Window w = d.newWindow();
         d.setProcess(w, 4242);
         d.destroy(w);
         return w;
       },
       std::nullopt},
      {"no window active", [](Desktop&) { return Window{0}; }, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    desktop->setActive(row.arrange(*desktop));
    EXPECT_EQ(reader.processIdentifier(), row.process);
  }

  // The live chain: this test's own window makes this test the frontmost application.
  const Window own = desktop->newWindow();
  desktop->setProcess(own, static_cast<unsigned long>(getpid()));
  desktop->setActive(own);
  const ScopedActiveWindowOwner installed(reader);
  const auto frontmost = platform::LiveRunningApplications("/", {}).frontmostApplication();
  ASSERT_TRUE(frontmost.has_value());
  EXPECT_EQ(frontmost->processIdentifier, getpid());
  EXPECT_EQ(frontmost->bundleIdentifier, "vigilix_x11_testing_tests");

  CapturedLog log;
  desktop.reset();
  server.stop();
  EXPECT_FALSE(reader.processIdentifier().has_value()) << "the display went away";
  EXPECT_FALSE(reader.processIdentifier().has_value());
  EXPECT_EQ(log.messages("FrontmostApplication").size(), 1U) << "said once";
}

// Idle time counts from the last input, and a display that goes away leaves
// the process running with no reading.
TEST(X11IdleTimeTest, IdleTimeCountsFromTheLastInputAndEndsWithTheDisplay) {
  if (!XvfbDisplay::available()) GTEST_SKIP() << "no Xvfb";
  XvfbDisplay server;
  std::optional<Desktop> user(std::in_place, server.name());
  auto opened = X11IdleTime::open(server.name());
  ASSERT_TRUE(opened) << opened.error();
  X11IdleTime& reader = **opened;

  std::optional<double> idle;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while ((idle = reader.secondsSinceLastInput()) && *idle < 1.5 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(idle.has_value());
  ASSERT_GE(*idle, 1.5) << "the untouched display's idle time grows";
  user->movePointer();
  const std::optional<double> afterInput = reader.secondsSinceLastInput();
  ASSERT_TRUE(afterInput.has_value());
  EXPECT_LT(*afterInput, *idle) << "input starts the count again";
  EXPECT_GE(*afterInput, 0);

  CapturedLog log;
  user.reset();
  server.stop();
  EXPECT_FALSE(reader.secondsSinceLastInput().has_value());
  EXPECT_FALSE(reader.secondsSinceLastInput().has_value());
  EXPECT_EQ(log.messages("IdleTime").size(), 1U) << "said once";
}

TEST(X11DesktopInputsTest, NoDisplayGivesAReasonNotAReader) {
  EXPECT_FALSE(X11IdleTime::open(":4097").has_value());
  EXPECT_FALSE(X11ActiveWindow::open(":4097").has_value());
}

}  // namespace
}  // namespace vigilix::testing
