// The key grab on a display of its own (Xvfb), keys typed through XTEST.
#include "platform/x11/x11_hot_key_service.h"

#include <gtest/gtest.h>

// After gtest: Xlib's macros (None, Bool) break its headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "dbus/main_loop_waiting.h"
#include "platform/runloop/descriptor_sources.h"
#include "platform/runloop/dispatch_queue.h"
#include "x11/xvfb_display.h"

namespace vigilix::testing {
namespace {

using platform::EventHotKeyID;
using platform::OSStatus;
using platform::X11HotKeyService;
using platform::HotKeyModifiers::Control;
using platform::HotKeyModifiers::Option;

constexpr std::uint32_t kK = 40;  // the virtual key code of K
constexpr std::uint32_t kF12 = 111;
constexpr EventHotKeyID kShortcut{platform::fourCharCode("VGXL"), 1};
constexpr EventHotKeyID kSentinel{platform::fourCharCode("VGXL"), 2};

// A client of the display, counting the presses of each identity it grabbed.
struct Client {
  std::unique_ptr<X11HotKeyService> service;
  int presses = 0;
  bool sentinelSeen = false;
  bool allOnMainThread = true;

  explicit Client(const std::string& display) {
    auto opened = X11HotKeyService::open(display, platform::DescriptorSources::main());
    if (!opened) throw std::runtime_error(opened.error());
    service = std::move(*opened);
    auto installed = service->installEventHandler(
        {{platform::kEventClassKeyboard, platform::kEventHotKeyPressed}},
        [this](const platform::HotKeyEvent& event) {
          allOnMainThread = allOnMainThread && platform::DispatchQueue::isMainThread();
          if (event.hotKeyID == kSentinel) {
            sentinelSeen = true;
          } else if (event.hotKeyID == kShortcut) {
            ++presses;
          }
          return platform::kNoErr;
        });
    if (!installed) throw std::runtime_error("no handler");
  }
};

// The keyboard: XTEST key events, as a person typing.
class Keyboard {
 public:
  explicit Keyboard(const std::string& display) : display_(XOpenDisplay(display.c_str())) {}
  ~Keyboard() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  bool isOpen() const { return display_ != nullptr; }

  void lock(unsigned modifiers) {
    XkbLockModifiers(display_, XkbUseCoreKbd, LockMask | Mod2Mask, modifiers);
    XSync(display_, False);
  }
  // Keys go down in order and come up in reverse, after `hold`, long
  // enough for the server to repeat the last one when the row needs it.
  void type(const std::vector<KeySym>& chord,
            std::chrono::milliseconds hold = std::chrono::milliseconds(0)) {
    for (KeySym keysym : chord) key(keysym, True);
    XSync(display_, False);
    std::this_thread::sleep_for(hold);
    for (auto it = chord.rbegin(); it != chord.rend(); ++it) key(*it, False);
    XSync(display_, False);
  }
  // Repeats start `delay` after a key goes down, every `interval` (ms).
  void setRepeat(unsigned delay, unsigned interval) {
    XkbSetAutoRepeatRate(display_, XkbUseCoreKbd, delay, interval);
    XSync(display_, False);
  }

 private:
  void key(KeySym keysym, Bool down) {
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, keysym), down, CurrentTime);
  }
  Display* display_;
};

class X11HotKeyServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!XvfbDisplay::available()) {
      GTEST_SKIP() << "Xvfb is not installed; scripts/bootstrap installs it.";
    }
  }
};

TEST_F(X11HotKeyServiceTest, GrabsTheCombinationOnTheDisplay) {
  struct Row {
    const char* name;
    unsigned locks;
    std::vector<KeySym> chord;
    std::chrono::milliseconds hold;
    bool firstUnregisters;
    bool secondAsks;
    OSStatus secondStatus;
    int firstPresses;
    int secondPresses;
  };
  constexpr std::chrono::milliseconds kTap{0};
  // Well past the repeat delay set below.
  constexpr std::chrono::milliseconds kRepeating{300};
  const std::vector<KeySym> controlOptionK{XK_Control_L, XK_Alt_L, XK_k};
  const Row rows[] = {
      {"pressed", 0, controlOptionK, kTap, false, false, platform::kNoErr, 1, 0},
      {"with Num Lock on", Mod2Mask, controlOptionK, kTap, false, false, platform::kNoErr, 1, 0},
      {"with Caps Lock on", LockMask, controlOptionK, kTap, false, false, platform::kNoErr, 1, 0},
      {"with both locks on", LockMask | Mod2Mask, controlOptionK, kTap, false, false,
       platform::kNoErr, 1, 0},
      {"without Option", 0, {XK_Control_L, XK_k}, kTap, false, false, platform::kNoErr, 0, 0},
      {"held down while it repeats", 0, controlOptionK, kRepeating, false, false, platform::kNoErr,
       1, 0},
      {"another client asks for it", 0, controlOptionK, kTap, false, true,
       platform::kEventHotKeyExistsErr, 1, 0},
      {"unregistered, then another client asks", 0, controlOptionK, kTap, true, true,
       platform::kNoErr, 0, 1},
  };
  XvfbDisplay display;
  Keyboard keyboard(display.name());
  ASSERT_TRUE(keyboard.isOpen());
  keyboard.setRepeat(50, 20);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Client first(display.name());
    Client second(display.name());
    auto shortcut = first.service->registerEventHotKey(kK, Control | Option, kShortcut);
    ASSERT_TRUE(shortcut);
    // Typed after the row's keys: once it arrives, so has everything before it.
    ASSERT_TRUE(first.service->registerEventHotKey(kF12, 0, kSentinel));
    if (row.firstUnregisters) {
      EXPECT_EQ(first.service->unregisterEventHotKey(*shortcut), platform::kNoErr);
    }
    if (row.secondAsks) {
      auto taken = second.service->registerEventHotKey(kK, Control | Option, kShortcut);
      EXPECT_EQ(taken ? platform::kNoErr : taken.error(), row.secondStatus);
    }
    keyboard.lock(row.locks);
    keyboard.type(row.chord, row.hold);
    keyboard.type({XK_F12});
    keyboard.lock(0);
    EXPECT_TRUE(runMainLoopUntil(
        [&] { return first.sentinelSeen && second.presses >= row.secondPresses; }));
    EXPECT_EQ(first.presses, row.firstPresses);
    EXPECT_EQ(second.presses, row.secondPresses);
    EXPECT_TRUE(first.allOnMainThread && second.allOnMainThread);
  }
}

TEST_F(X11HotKeyServiceTest, TheProgramOutlivesTheDisplay) {
  XvfbDisplay display;
  Client client(display.name());
  auto shortcut = client.service->registerEventHotKey(kK, Control | Option, kShortcut);
  ASSERT_TRUE(shortcut);
  display.stop();
  // Xlib's own answer to a lost display would end the whole process here.
  EXPECT_TRUE(runMainLoopUntil([&] { return !client.service->isConnected(); }));
  auto again = client.service->registerEventHotKey(kF12, 0, kSentinel);
  EXPECT_EQ(again ? platform::kNoErr : again.error(), platform::kEventHotKeyInvalidErr);
  EXPECT_EQ(client.service->unregisterEventHotKey(*shortcut), platform::kNoErr);
}

}  // namespace
}  // namespace vigilix::testing
