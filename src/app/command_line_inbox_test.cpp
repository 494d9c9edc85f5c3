#include "app/command_line_inbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agents/cli_protocol.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

// What came before the listener (also what was still on its way as it began) reaches it in
// arrival order once it has finished starting, and each only once.
TEST(CommandLineInboxTest, KeptRequestsComeInOrderAfterTheListenerHasStarted) {
  testing::TestPlatform platform;
  auto& center = platform::DistributedNotificationCenter::current();
  const std::string name(VGXCLIProtocol::requestNotification);
  const auto inbox = CommandLineInbox::open(center);
  center.post(name, "a");
  center.post(name, "b");
  platform.runUntilIdle();
  center.post(name, "c");
  std::vector<std::string> heard;
  auto listening = inbox->listen([&](const auto& text) { heard.push_back(text.value_or("")); });
  EXPECT_TRUE(heard.empty());
  platform.runUntilIdle();
  center.post(name, "d");
  platform.runUntilIdle();
  listening.reset();
  center.post(name, "e");
  platform.runUntilIdle();
  EXPECT_THAT(heard, ::testing::ElementsAre("a", "b", "c", "d"));
}

}  // namespace
}  // namespace vigilix
