#include "menubar/global_shortcut_center.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/ui/event.h"
#include "platform/ui/keyboard_layout.h"
#include "testing/fake_hot_keys.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

using platform::PropertyDictionary;
using platform::PropertyValue;
namespace Flags = platform::ModifierFlags;
namespace Bits = platform::HotKeyModifiers;

constexpr std::uint16_t kK = 40;
constexpr std::uint16_t kJ = 38;
constexpr const char* kInUse = "This shortcut is already in use. Choose a different one.";
constexpr const char* kNotRestored =
    "This shortcut is already in use, and your previous shortcut couldn't be restored. Record a "
    "new one.";
constexpr const char* kInactiveAtLaunch =
    "Your shortcut is in use by another app, so it isn't active right now.";

class GlobalShortcutCenterTest : public ::testing::Test {
 protected:
  GlobalShortcutCenterTest()
      : center(VGXGlobalShortcutCenter::create(defaults, hotKeys, [this] { ++toggles; })) {}

  std::optional<PropertyValue> stored() const {
    return defaults.object(kGlobalShortcutDefaultsKey);
  }
  void store(PropertyDictionary dict) { defaults.set(kGlobalShortcutDefaultsKey, dict); }

  testing::TestPlatform platform;
  testing::FakeHotKeys hotKeys;
  testing::TestUserDefaults defaults;
  int toggles = 0;
  std::shared_ptr<VGXGlobalShortcutCenter> center;
};

TEST_F(GlobalShortcutCenterTest, SettingRegistersAndStoresTheExactForm) {
  ASSERT_TRUE(center->setShortcut(kK, Flags::Command | Flags::Shift));
  EXPECT_EQ(stored(), PropertyValue(PropertyDictionary{{"keyCode", 40}, {"modifiers", 1179648}}));
  EXPECT_TRUE(hotKeys.isRegistered(kK, 768));
  ASSERT_EQ(hotKeys.registrations().size(), 1u);
  EXPECT_EQ(hotKeys.registrations()[0].identity.signature, 0x5647584Cu);  // "VGXL"
  EXPECT_EQ(hotKeys.registrations()[0].identity.id, 1u);
  EXPECT_EQ(center->savedShortcut(), (VGXShortcut{kK, Flags::Command | Flags::Shift}));
  EXPECT_FALSE(center->conflictMessage());

  // A key code beyond 16 bits keeps its low 16 bits, in the store and in
  // the registration; the old hot key is given up.
  ASSERT_TRUE(center->setShortcut(0x10000 + kJ, Flags::Control));
  EXPECT_EQ(stored(), PropertyValue(PropertyDictionary{{"keyCode", 38}, {"modifiers", 262144}}));
  EXPECT_TRUE(hotKeys.isRegistered(kJ, Bits::Control));
  EXPECT_FALSE(hotKeys.isRegistered(kK, 768));
}

TEST_F(GlobalShortcutCenterTest, MapsModifierFlagsToHotKeyBits) {
  EXPECT_EQ(VGXGlobalShortcutCenter::hotKeyModifiers(Flags::Command | Flags::Shift), 768u);
  EXPECT_EQ(VGXGlobalShortcutCenter::hotKeyModifiers(Flags::Command | Flags::Shift | Flags::Option),
            2816u);
  EXPECT_EQ(VGXGlobalShortcutCenter::hotKeyModifiers(Flags::Control), 4096u);
  EXPECT_EQ(VGXGlobalShortcutCenter::hotKeyModifiers(Flags::CapsLock | Flags::Function), 0u);
}

TEST_F(GlobalShortcutCenterTest, ATakenShortcutKeepsTheFreePreviousOne) {
  ASSERT_TRUE(center->setShortcut(kK, Flags::Command));
  hotKeys.takeElsewhere(kJ, Bits::Command);
  EXPECT_FALSE(center->setShortcut(kJ, Flags::Command));
  EXPECT_EQ(center->conflictMessage(), kInUse);
  EXPECT_TRUE(hotKeys.isRegistered(kK, Bits::Command));
  EXPECT_EQ(center->savedShortcut(), (VGXShortcut{kK, Flags::Command}));
  // The next success clears the message.
  EXPECT_TRUE(center->setShortcut(kJ, Flags::Option));
  EXPECT_FALSE(center->conflictMessage());
}

TEST_F(GlobalShortcutCenterTest, ATakenShortcutWithNoPreviousOneLeavesNothing) {
  hotKeys.takeElsewhere(kK, Bits::Command);
  EXPECT_FALSE(center->setShortcut(kK, Flags::Command));
  EXPECT_EQ(center->conflictMessage(), kInUse);
  EXPECT_TRUE(hotKeys.registrations().empty());
  EXPECT_FALSE(stored());
}

TEST_F(GlobalShortcutCenterTest, APreviousShortcutThatCannotBeRestoredIsCleared) {
  ASSERT_TRUE(center->setShortcut(kK, Flags::Command));
  // Another application grabs both combinations meanwhile.
  hotKeys.takeElsewhere(kK, Bits::Command);
  hotKeys.takeElsewhere(kJ, Bits::Command);
  EXPECT_FALSE(center->setShortcut(kJ, Flags::Command));
  EXPECT_EQ(center->conflictMessage(), kNotRestored);
  EXPECT_FALSE(stored());
  EXPECT_FALSE(center->isRegistered());
  EXPECT_TRUE(hotKeys.registrations().empty());
}

TEST_F(GlobalShortcutCenterTest, StartRegistersTheSavedShortcutOrReportsItInactive) {
  center->start();
  EXPECT_TRUE(hotKeys.registrations().empty());
  EXPECT_FALSE(center->conflictMessage());

  store({{"keyCode", 40}, {"modifiers", 1048576}});
  hotKeys.takeElsewhere(kK, Bits::Command);
  center->start();
  EXPECT_EQ(center->conflictMessage(), kInactiveAtLaunch);
  EXPECT_TRUE(stored());  // inactive, not forgotten
  EXPECT_FALSE(center->isRegistered());

  // Once free, a later start registers it and leaves the message as it was.
  hotKeys.releaseElsewhere(kK, Bits::Command);
  center->start();
  EXPECT_TRUE(hotKeys.isRegistered(kK, Bits::Command));
  EXPECT_EQ(center->conflictMessage(), kInactiveAtLaunch);

  // A start with nothing saved gives up what is registered.
  defaults.remove(kGlobalShortcutDefaultsKey);
  center->start();
  EXPECT_TRUE(hotKeys.registrations().empty());
}

TEST_F(GlobalShortcutCenterTest, OnlyWellFormedStoredShortcutsCount) {
  store({{"keyCode", 70000}, {"modifiers", 1048576}});
  EXPECT_FALSE(center->savedShortcut());
  store({{"keyCode", -1}, {"modifiers", 1048576}});
  EXPECT_FALSE(center->savedShortcut());
  store({{"keyCode", 40}, {"modifiers", -5}});
  EXPECT_FALSE(center->savedShortcut());
  store({{"keyCode", true}, {"modifiers", 1048576}});
  EXPECT_FALSE(center->savedShortcut());
  store({{"keyCode", "40"}, {"modifiers", 1048576}});
  EXPECT_FALSE(center->savedShortcut());
  store({{"modifiers", 1048576}});
  EXPECT_FALSE(center->savedShortcut());
  defaults.set(kGlobalShortcutDefaultsKey, PropertyValue(40));
  EXPECT_FALSE(center->savedShortcut());

  store({{"keyCode", 65535}, {"modifiers", 0}});
  EXPECT_EQ(center->savedShortcut(), (VGXShortcut{65535, 0}));
  store({{"keyCode", 40.0}, {"modifiers", 1048576}});
  EXPECT_EQ(center->savedShortcut(), (VGXShortcut{kK, Flags::Command}));
}

TEST_F(GlobalShortcutCenterTest, ClearForgetsEverythingButTheHandler) {
  hotKeys.takeElsewhere(kJ, Bits::Command);
  ASSERT_TRUE(center->setShortcut(kK, Flags::Command));
  EXPECT_FALSE(center->setShortcut(kJ, Flags::Command));
  center->clearShortcut();
  EXPECT_FALSE(stored());
  EXPECT_FALSE(center->conflictMessage());
  EXPECT_TRUE(hotKeys.registrations().empty());
  EXPECT_EQ(hotKeys.handlerCount(), 1u);
}

TEST_F(GlobalShortcutCenterTest, APressTogglesOnTheMainQueueFromAnyThread) {
  ASSERT_TRUE(center->setShortcut(kK, Flags::Control | Flags::Option));
  ASSERT_TRUE(hotKeys.press(kK, Bits::Control | Bits::Option));
  EXPECT_EQ(toggles, 0);  // only scheduled
  platform.runUntilIdle();
  EXPECT_EQ(toggles, 1);

  std::thread dispatcher([&] { hotKeys.press(kK, Bits::Control | Bits::Option); });
  dispatcher.join();
  EXPECT_EQ(toggles, 1);
  platform.runUntilIdle();
  EXPECT_EQ(toggles, 2);
}

TEST_F(GlobalShortcutCenterTest, APressAfterTheCentreIsGoneDoesNothing) {
  ASSERT_TRUE(center->setShortcut(kK, Flags::Command));
  ASSERT_TRUE(hotKeys.press(kK, Bits::Command));
  center.reset();
  EXPECT_TRUE(hotKeys.registrations().empty());
  EXPECT_EQ(hotKeys.handlerCount(), 0u);
  platform.runUntilIdle();
  EXPECT_EQ(toggles, 0);
}

TEST_F(GlobalShortcutCenterTest, TheRegistrationOverrideStandsInForTheService) {
  std::vector<std::pair<std::uint32_t, std::uint64_t>> asked;
  bool accept = true;
  center->setRegistrationOverride([&](std::uint32_t keyCode, std::uint64_t modifiers) {
    asked.emplace_back(keyCode, modifiers);
    return accept;
  });
  EXPECT_TRUE(center->setShortcut(kK, Flags::Command));
  EXPECT_TRUE(hotKeys.registrations().empty());
  EXPECT_EQ(hotKeys.handlerCount(), 0u);
  accept = false;
  EXPECT_FALSE(center->setShortcut(kJ, Flags::Shift));
  // The new one was refused, and so was the attempt to restore K.
  EXPECT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked.back(), (std::pair<std::uint32_t, std::uint64_t>{kK, Flags::Command}));
  EXPECT_EQ(center->conflictMessage(), kNotRestored);
}

TEST(GlobalShortcutDisplay, ShowsModifiersInFixedOrderThenTheKey) {
  testing::TestPlatform platform;
  using C = VGXGlobalShortcutCenter;
  EXPECT_EQ(C::displayString(96, Flags::Option | Flags::Command), "⌥⌘F5");
  EXPECT_EQ(C::displayString(49, Flags::Control), "⌃Space");
  EXPECT_EQ(C::displayString(kK, Flags::Command | Flags::Shift | Flags::Option | Flags::Control),
            "⌃⌥⇧⌘K");
  EXPECT_EQ(C::displayString(36, Flags::Command), "⌘↩");
  EXPECT_EQ(C::displayString(48, 0), "⇥");
  EXPECT_EQ(C::displayString(51, 0), "⌫");
  EXPECT_EQ(C::displayString(53, 0), "⎋");
  EXPECT_EQ(C::displayString(122, 0), "F1");
  EXPECT_EQ(C::displayString(111, 0), "F12");
  EXPECT_EQ(C::displayString(50, Flags::Command), "⌘`");
  platform::KeyboardLayout::setCurrent(nullptr);
  EXPECT_EQ(C::displayString(50, Flags::Command), "⌘Key 50");
  EXPECT_EQ(C::displayString(49, 0), "Space");  // named keys need no layout
}

}  // namespace
}  // namespace vigilix
