#include "platform/ui/hot_key_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/ui/keyboard_layout.h"
#include "testing/fake_hot_keys.h"
#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

constexpr EventHotKeyID kIdentity{fourCharCode("VGXL"), 1};
constexpr EventTypeSpec kPressed{kEventClassKeyboard, kEventHotKeyPressed};

TEST(HotKeyService, FourCharacterCodesPackBigEndian) {
  EXPECT_EQ(fourCharCode("VGXL"), 0x5647584Cu);
  EXPECT_EQ(kEventClassKeyboard, 0x6B657962u);
}

TEST(HotKeyService, ACombinationIsHeldOnceAndFreedByUnregistering) {
  testing::FakeHotKeys hotKeys;
  auto first = hotKeys.registerEventHotKey(40, HotKeyModifiers::Command, kIdentity);
  ASSERT_TRUE(first);
  auto again = hotKeys.registerEventHotKey(40, HotKeyModifiers::Command, kIdentity);
  ASSERT_FALSE(again);
  EXPECT_EQ(again.error(), kEventHotKeyExistsErr);
  // Other modifiers make another combination.
  EXPECT_TRUE(hotKeys.registerEventHotKey(40, HotKeyModifiers::Command | HotKeyModifiers::Shift,
                                          kIdentity));
  EXPECT_EQ(hotKeys.unregisterEventHotKey(*first), kNoErr);
  EXPECT_EQ(hotKeys.unregisterEventHotKey(*first), kEventHotKeyInvalidErr);
  EXPECT_TRUE(hotKeys.registerEventHotKey(40, HotKeyModifiers::Command, kIdentity));
  EXPECT_FALSE(hotKeys.registerEventHotKey(0x10000, 0, kIdentity));
}

TEST(HotKeyService, CombinationsOtherApplicationsHoldCannotBeRegistered) {
  testing::FakeHotKeys hotKeys;
  hotKeys.takeElsewhere(40, HotKeyModifiers::Command);
  auto taken = hotKeys.registerEventHotKey(40, HotKeyModifiers::Command, kIdentity);
  ASSERT_FALSE(taken);
  EXPECT_EQ(taken.error(), kEventHotKeyExistsErr);
  EXPECT_FALSE(hotKeys.isRegistered(40, HotKeyModifiers::Command));
  hotKeys.releaseElsewhere(40, HotKeyModifiers::Command);
  EXPECT_TRUE(hotKeys.registerEventHotKey(40, HotKeyModifiers::Command, kIdentity));
  EXPECT_TRUE(hotKeys.isRegistered(40, HotKeyModifiers::Command));
}

TEST(HotKeyService, APressReachesTheHandlersOfItsEventTypeWithTheIdentity) {
  testing::FakeHotKeys hotKeys;
  std::vector<EventHotKeyID> received;
  int otherTypeCalls = 0;
  ASSERT_TRUE(hotKeys.installEventHandler({kPressed}, [&](const HotKeyEvent& e) {
    EXPECT_EQ(e.type, kPressed);
    received.push_back(e.hotKeyID);
    return kNoErr;
  }));
  auto other =
      hotKeys.installEventHandler({EventTypeSpec{kEventClassKeyboard, 6}}, [&](const HotKeyEvent&) {
        ++otherTypeCalls;
        return kNoErr;
      });
  ASSERT_TRUE(other);
  EXPECT_FALSE(hotKeys.press(40, HotKeyModifiers::Command));  // not registered yet
  ASSERT_TRUE(hotKeys.registerEventHotKey(40, HotKeyModifiers::Command, kIdentity));
  EXPECT_TRUE(hotKeys.press(40, HotKeyModifiers::Command));
  EXPECT_EQ(received, (std::vector<EventHotKeyID>{kIdentity}));
  EXPECT_EQ(otherTypeCalls, 0);
  EXPECT_EQ(hotKeys.removeEventHandler(*other), kNoErr);
  EXPECT_EQ(hotKeys.handlerCount(), 1u);
  EXPECT_FALSE(hotKeys.installEventHandler({}, [](const HotKeyEvent&) { return kNoErr; }));
}

TEST(HotKeyService, PressesMayArriveOnAnotherThread) {
  testing::FakeHotKeys hotKeys;
  std::atomic<int> presses{0};
  std::thread::id handlerThread;
  ASSERT_TRUE(hotKeys.installEventHandler({kPressed}, [&](const HotKeyEvent&) {
    handlerThread = std::this_thread::get_id();
    ++presses;
    return kNoErr;
  }));
  ASSERT_TRUE(hotKeys.registerEventHotKey(49, HotKeyModifiers::Control, kIdentity));
  std::thread dispatcher([&] { hotKeys.press(49, HotKeyModifiers::Control); });
  std::thread::id dispatcherId = dispatcher.get_id();
  dispatcher.join();
  EXPECT_EQ(presses.load(), 1);
  EXPECT_EQ(handlerThread, dispatcherId);
}

TEST(HotKeyService, TheFakeIsCurrentOnlyWhileItLives) {
  HotKeyService* before = &HotKeyService::current();
  {
    testing::FakeHotKeys hotKeys;
    EXPECT_EQ(&HotKeyService::current(), &hotKeys);
  }
  EXPECT_EQ(&HotKeyService::current(), before);
}

class KeyNames : public ::testing::Test {
 protected:
  testing::TestPlatform platform;  // restores the default layout afterwards
};

TEST_F(KeyNames, TheUsLayoutNamesPrintingKeysInUpperCase) {
  EXPECT_EQ(keyNameForKeyCode(40), "K");
  EXPECT_EQ(keyNameForKeyCode(0), "A");
  EXPECT_EQ(keyNameForKeyCode(29), "0");
  EXPECT_EQ(keyNameForKeyCode(50), "`");
  EXPECT_EQ(keyNameForKeyCode(82), "0");  // keypad
  // Keys without text in the layout (arrows, unknown codes) get their number.
  EXPECT_EQ(keyNameForKeyCode(123), "Key 123");
  EXPECT_EQ(keyNameForKeyCode(65535), "Key 65535");
}

TEST_F(KeyNames, WithoutALayoutEveryKeyIsNamedByItsCode) {
  KeyboardLayout::setCurrent(nullptr);
  EXPECT_EQ(keyNameForKeyCode(50), "Key 50");
  EXPECT_EQ(keyNameForKeyCode(40), "Key 40");
  KeyboardLayout::restoreDefault();
  EXPECT_EQ(keyNameForKeyCode(40), "K");
}

TEST_F(KeyNames, OtherLayoutsAreUpperCasedBeyondAscii) {
  KeyboardLayout::setCurrent(std::make_shared<TableKeyboardLayout>(
      std::map<std::uint16_t, std::u16string>{{41, u"é"}, {39, u"ß"}, {1, u"abcde"}}));
  EXPECT_EQ(keyNameForKeyCode(41), "É");
  EXPECT_EQ(keyNameForKeyCode(39), "SS");
  // More than four UTF-16 units does not fit the translation buffer.
  EXPECT_EQ(keyNameForKeyCode(1), "Key 1");
}

}  // namespace
}  // namespace vigilix::platform
