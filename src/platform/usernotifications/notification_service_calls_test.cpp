#include "platform/usernotifications/notification_service_calls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vigilix::platform {
namespace {

TEST(NotifyArgumentsTest, WhatTheServiceIsSentForARequest) {
  const std::vector<NotificationCategory> categories = {{"ended", {{"add", "Add 15 Minutes"}}}};
  struct Row {
    const char* name;
    NotificationContent content;
    NotificationServiceCapabilities capabilities;
    NotifyArguments expected;
  };
  const Row rows[] = {
      {"subtitle opens the body",
       {"T", "B", "", "", InterruptionLevel::active, "S"},
       {},
       {0, "T", "S\nB", {}, 1}},
      {"passive is low urgency",
       {"T", "B", "", "ended", InterruptionLevel::passive},
       {true, false},
       {0, "T", "B", {"add", "Add 15 Minutes"}, 0}},
      {"bad bytes read as U+FFFD, then escaped",
       {"a\xff", "<\xc3", "", "", InterruptionLevel::timeSensitive},
       {false, true},
       {0, "a\xef\xbf\xbd", "&lt;\xef\xbf\xbd", {}, 1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(notifyArguments({"id", row.content}, categories, row.capabilities, 0), row.expected);
  }
}

}  // namespace
}  // namespace vigilix::platform
