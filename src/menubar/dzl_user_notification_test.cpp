#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "menubar/dzl_activation_user_notification.h"
#include "menubar/dzl_user_notification_center.h"
#include "platform/base/localized.h"
#include "testing/captured_log.h"
#include "testing/fake_user_notifications.h"
#include "testing/map_string_table.h"
#include "testing/pinned_locale.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using platform::AuthorizationStatus;

TEST(DZLActivationUserNotificationTest, TextsForEachCase) {
  testing::TestPlatform platform;
  testing::PinnedLocale pin("en_US", "America/New_York");
  struct Row {
    const char* name;
    std::optional<double> fireDateFromNow;
    bool activating;
    const char* title;
    const char* body;
  };
  const Row rows[] = {
      {"30 minutes from the menu, a moment ago", 1799.6, true, "Preventing Sleep for 30 min",
       "Afterwards your computer will automatically go to sleep again when unused."},
      {"an hour and a half, a moment ago", 5399.5, true, "Preventing Sleep for 1 hr, 30 min",
       "Afterwards your computer will automatically go to sleep again when unused."},
      {"no end", std::nullopt, true, "Preventing Sleep",
       "You can still manually enable sleep mode for your computer."},
      {"the end", std::nullopt, false, "Allowing Sleep",
       "Your computer will automatically go to sleep when unused."},
      {"the end of a timed session", 600, false, "Allowing Sleep",
       "Your computer will automatically go to sleep when unused."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::optional<platform::Date> fireDate;
    if (row.fireDateFromNow) fireDate = platform.now() + *row.fireDateFromNow;
    const DZLActivationUserNotification notification(fireDate, row.activating);
    const platform::NotificationContent content = notification.createNotificationContent();
    EXPECT_EQ(notification.identifier(), "DZLActivationIdentifier");
    EXPECT_EQ(content.title, row.title);
    EXPECT_EQ(content.body, row.body);
    EXPECT_EQ(content.subtitle, "");
  }
}

TEST(DZLUserNotificationTest, TextsAreLocalizedWhenTheContentIsMade) {
  struct Row {
    const char* name;
    std::string key;
    std::optional<std::vector<std::string>> arguments;
    std::string expected;
  };
  const Row rows[] = {
      {"a translated key", "Allowing Sleep", std::nullopt, "Ruhezustand erlaubt"},
      {"a translated format, filled", "Preventing Sleep for %@", std::vector<std::string>{"5 min"},
       "Ruhezustand verhindert für 5 min"},
      {"no arguments: a % stays", "100% awake", std::nullopt, "100% awake"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DZLUserNotification notification;
    notification.setLocalizedTitleWithKey(row.key, row.arguments);
    notification.setLocalizedSubtitleWithKey(row.key, row.arguments);
    notification.setLocalizedBodyTextWithKey(row.key, row.arguments);
    // The table in force when the content is made counts, not the one at setting.
    platform::setStringTable(
        std::make_shared<testing::MapStringTable>(testing::MapStringTable::Entries{
            {"Allowing Sleep", "Ruhezustand erlaubt"},
            {"Preventing Sleep for %@", "Ruhezustand verhindert für %@"}}));
    const platform::NotificationContent content = notification.createNotificationContent();
    platform::setStringTable(nullptr);
    EXPECT_EQ(content.title, row.expected);
    EXPECT_EQ(content.subtitle, row.expected);
    EXPECT_EQ(content.body, row.expected);
  }
}

TEST(DZLUserNotificationCenterTest, AuthorizationAnswersLaterOnTheMainQueue) {
  struct Row {
    const char* name;
    AuthorizationStatus status;
    platform::NotificationError error;
    bool ifUndetermined;  // requestAuthorizationIfUndetermined instead
    std::size_t requests;
    std::optional<DZLNotificationAuthorization> result;
    bool logged;
  };
  const Row rows[] = {
      {"granted", AuthorizationStatus::authorized, std::nullopt, false, 1,
       DZLNotificationAuthorization::granted, false},
      {"not granted", AuthorizationStatus::denied, std::nullopt, false, 1,
       DZLNotificationAuthorization::notGranted, false},
      {"failed", AuthorizationStatus::notDetermined, "no bus", false, 1,
       DZLNotificationAuthorization::failed, true},
      {"undetermined: asks", AuthorizationStatus::notDetermined, std::nullopt, true, 1,
       std::nullopt, false},
      {"already authorised: no question", AuthorizationStatus::authorized, std::nullopt, true, 0,
       std::nullopt, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    testing::CapturedLog log;
    testing::FakeUserNotificationCenter fake;
    fake.authorizationStatus = row.status;
    fake.authorizationError = row.error;
    DZLUserNotificationCenter center(fake);
    std::optional<DZLNotificationAuthorization> result;
    if (row.ifUndetermined) {
      center.requestAuthorizationIfUndetermined();
    } else {
      center.requestAuthorizationWithCompletion(
          [&](DZLNotificationAuthorization answer, const platform::NotificationError&) {
            result = answer;
          });
      EXPECT_FALSE(result.has_value()) << "before the main queue ran";
    }
    platform.runUntilIdle();
    EXPECT_EQ(fake.authorizationRequests(), row.requests);
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(log.contains("Failed to request notification access: no bus"), row.logged);
  }
}

TEST(DZLUserNotificationCenterTest, PostsUnderTheIdentifierAndClears) {
  testing::TestPlatform platform;
  testing::PinnedLocale pin("en_US", "America/New_York");
  testing::CapturedLog log;
  testing::FakeUserNotificationCenter fake;
  DZLUserNotificationCenter center(fake);
  DZLUserNotification plain;
  plain.setIdentifier("plain");
  plain.setLocalizedTitleWithKey("T");
  plain.setUserInfo(platform::PropertyDictionary{{"k", 1}});

  center.postNotification(DZLActivationUserNotification(platform.now() + 1800, true));
  center.postNotification(DZLActivationUserNotification(std::nullopt, false));
  center.postNotification(plain);
  ASSERT_EQ(fake.requests().size(), 3u);
  EXPECT_EQ(fake.requests()[1].content.title, "Allowing Sleep");
  EXPECT_EQ(fake.requests()[2].content.userInfo, (platform::PropertyDictionary{{"k", 1}}));
  // The newer start-and-stop notice took the older one's place.
  EXPECT_EQ(fake.delivered(), (std::vector<std::string>{"DZLActivationIdentifier", "plain"}));

  fake.addFailure = "refused";
  center.postNotification(plain);
  EXPECT_TRUE(log.contains("Failed to add notification request. refused"));

  center.clearAllDeliveredNotifications();
  EXPECT_TRUE(fake.delivered().empty());
}

}  // namespace
}  // namespace vigilix
