#include "platform/usernotifications/user_notification_center.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "testing/captured_log.h"

namespace vigilix::platform {
namespace {

class CountingDelegate : public UserNotificationCenterDelegate {
 public:
  void didReceiveResponse(const NotificationResponse&, std::function<void()> completion) override {
    completion();
  }
};

TEST(LoggingUserNotificationCenterTest, LogsEachNoticeWithTheButtonsOfItsCategory) {
  struct Row {
    const char* name;
    std::string category;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"with buttons", "ended", "notice n (thread t): Title / Body buttons: Add, Later"},
      {"a category without buttons", "plain", "notice n (thread t): Title / Body"},
      {"no category", "", "notice n (thread t): Title / Body"},
      {"an unknown category", "missing", "notice n (thread t): Title / Body"},
  };
  LoggingUserNotificationCenter center;
  center.setNotificationCategories(
      {{"ended", {{"add", "Add"}, {"later", "Later"}}}, {"plain", {}}});
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::CapturedLog log;
    center.addRequest({"n", {"Title", "Body", "t", row.category, InterruptionLevel::active}});
    EXPECT_EQ(log.messages(), std::vector<std::string>{row.expected});
  }
}

TEST(LoggingUserNotificationCenterTest, HoldsItsDelegateWeakly) {
  LoggingUserNotificationCenter center;
  EXPECT_EQ(center.delegate(), nullptr);
  auto delegate = std::make_shared<CountingDelegate>();
  center.setDelegate(delegate);
  EXPECT_EQ(center.delegate(), delegate);
  delegate.reset();
  EXPECT_EQ(center.delegate(), nullptr);
}

}  // namespace
}  // namespace vigilix::platform
