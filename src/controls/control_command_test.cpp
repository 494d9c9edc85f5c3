#include "controls/control_command.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "controls/control_state.h"
#include "platform/notifications/notification_center.h"
#include "testing/pinned_locale.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

using platform::Date;

// Records each request with the state the suite held when it went out, the
// moment the application may answer.
class RecordingCenter final : public platform::DistributedNotificationCenter {
 public:
  explicit RecordingCenter(platform::UserDefaults* suite) : suite_(suite) {
    platform::DistributedNotificationCenter::setCurrent(this);
  }
  ~RecordingCenter() override { platform::DistributedNotificationCenter::setCurrent(nullptr); }

  struct Post {
    std::string name;
    std::optional<std::string> object;
    VGXControlState stateWhenPosted;
  };
  std::vector<Post> posts;

  void post(const std::string& name, const std::optional<std::string>& object) override {
    posts.push_back({name, object, VGXControlState::read(suite_)});
  }
  platform::ObserverHandle addObserver(const std::string&, Handler) override { return {}; }

 private:
  platform::UserDefaults* suite_;
};

TEST(ControlCommandTest, ShowsAndSwitchesThroughTheSharedState) {
  testing::TestPlatform platform;
  testing::PinnedLocale pinned("en_US", "America/New_York");
  const Date now = Date::fromTimeIntervalSince1970(1767603600);  // 2026-01-05 09:00 UTC
  struct Row {
    const char* name;
    std::vector<std::string> arguments;
    std::optional<VGXControlState> stored;
    ControlCommandResult expected;
    std::optional<std::string> requested;  // the request's object, when one went out
    VGXControlState storedAfter;
  };
  const VGXControlState off, on(true, std::nullopt), until(true, now + 5 * 60);
  const std::string usage = runControlCommand({"--help"}, nullptr, now).output;
  const Row rows[] = {
      {"nothing stored reads off", {}, std::nullopt, {0, "Off\n", ""}, std::nullopt, off},
      {"awake without an end", {}, on, {0, "On\n", ""}, std::nullopt, on},
      {"awake until a time", {}, until, {0, "Until 4:05 AM\n", ""}, std::nullopt, until},
      {"the state as JSON",
       {"--json"},
       until,
       {0,
        R"({"isAwake":true,"label":"Until 4:05 AM","until":1767603900})"
        "\n",
        ""},
       std::nullopt,
       until},
      {"on: optimistic on, then the request", {"on"}, off, {0, "On\n", ""}, "1", on},
      {"off while kept awake until a time", {"off"}, until, {0, "Off\n", ""}, "0", off},
      {"on as JSON",
       {"--json", "on"},
       off,
       {0,
        R"({"isAwake":true,"label":"On"})"
        "\n",
        ""},
       "1",
       on},
      {"an unknown word asks nothing",
       {"toggle"},
       until,
       {2, "", "vigilix-control: unexpected argument \"toggle\"\n" + usage},
       std::nullopt,
       until},
      {"two positions ask nothing",
       {"on", "off"},
       off,
       {2, "", "vigilix-control: unexpected argument \"off\"\n" + usage},
       std::nullopt,
       off},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestUserDefaults suite(VGXControlState::appGroup);
    if (row.stored) row.stored->write(&suite);
    RecordingCenter center(&suite);

    const auto result = runControlCommand(row.arguments, &suite, now);
    EXPECT_EQ(result.exitCode, row.expected.exitCode);
    EXPECT_EQ(result.output, row.expected.output);
    EXPECT_EQ(result.error, row.expected.error);
    EXPECT_EQ(VGXControlState::read(&suite), row.storedAfter);
    if (!row.requested) {
      EXPECT_TRUE(center.posts.empty());
      continue;
    }
    ASSERT_EQ(center.posts.size(), 1u);
    EXPECT_EQ(center.posts[0].name, VGXControlState::requestNotification);
    EXPECT_EQ(center.posts[0].object, row.requested);
    // The application's answer must land after the optimistic state, never under it.
    EXPECT_EQ(center.posts[0].stateWhenPosted, row.storedAfter);
    EXPECT_EQ(VGXControlState::takeRequest(now, &suite), *row.requested == "1");
  }
}

TEST(ControlCommandTest, WithoutTheSuiteShowsOffAndStillAnnouncesTheRequest) {
  testing::TestPlatform platform;
  RecordingCenter center(nullptr);
  EXPECT_EQ(runControlCommand({}, nullptr, Date(0)).output, "Off\n");
  EXPECT_EQ(runControlCommand({"on"}, nullptr, Date(0)).output, "On\n");
  ASSERT_EQ(center.posts.size(), 1u);
  EXPECT_EQ(center.posts[0].object, "1");
}

}  // namespace
}  // namespace vigilix
