#include "controls/control_state.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "testing/in_process_notification_bus.h"
#include "testing/pinned_locale.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

using platform::Bytes;
using platform::Date;
using platform::PropertyDictionary;

Bytes bytes(const std::string& text) { return Bytes(text.begin(), text.end()); }
std::string text(const Bytes& data) { return std::string(data.begin(), data.end()); }

class ControlStateTest : public ::testing::Test {
 protected:
  testing::TestPlatform platform_;
  testing::InProcessNotificationBus bus_;
  testing::TestUserDefaults suite_{VGXControlState::appGroup};

  std::string storedText() {
    const auto data = suite_.dataValue(VGXControlState::defaultsKey);
    return data ? text(*data) : "<none>";
  }
};

TEST(VGXControlStateConstants, AreTheSharedNames) {
  EXPECT_STREQ(VGXControlState::appGroup, "K9WQ2T7LMB.run.tarvo.vigilix");
  EXPECT_STREQ(VGXControlState::defaultsKey, "run.tarvo.vigilix.ControlState");
  EXPECT_STREQ(VGXControlState::controlKind, "run.tarvo.vigilix.keep-awake");
  EXPECT_STREQ(VGXControlState::requestNotification, "run.tarvo.vigilix.control.request");
  EXPECT_STREQ(VGXControlState::requestKey, "run.tarvo.vigilix.ControlRequest");
  EXPECT_EQ(VGXControlState::requestLifetime, 15.0);
}

TEST(VGXControlStateJson, GoldenRowsRoundTrip) {
  const VGXControlState off(false, Date(790000000));
  EXPECT_FALSE(off.until().has_value()) << "not awake never keeps an end time";
  const std::pair<VGXControlState, const char*> rows[] = {
      {VGXControlState(true, Date(790000000.5)), R"({"isAwake":true,"until":790000000.5})"},
      {VGXControlState(true, std::nullopt), R"({"isAwake":true})"},
      {off, R"({"isAwake":false})"},
  };
  for (const auto& [value, literal] : rows) {
    SCOPED_TRACE(literal);
    EXPECT_EQ(text(value.encode().value()), literal);
    EXPECT_EQ(VGXControlState::decode(bytes(literal)), value);
  }
  EXPECT_FALSE(
      VGXControlState(true, Date(std::numeric_limits<double>::quiet_NaN())).encode().has_value())
      << "a non-finite end cannot be stored";
}

TEST(VGXControlStateJson, DecodesAsFoundIgnoringUnknownKeysAndRefusesMissingOrWrongFields) {
  const std::pair<const char*, std::optional<VGXControlState>> rows[] = {
      {R"({"until":60,"extra":[1],"isAwake":true})", VGXControlState(true, Date(60))},
      {R"({"isAwake":true,"until":null})", VGXControlState(true, std::nullopt)},
      {R"({"until":60})", std::nullopt},
      {R"({"isAwake":1})", std::nullopt},
      {R"({"isAwake":"true"})", std::nullopt},
      {R"({"isAwake":true,"until":"60"})", std::nullopt},
      {R"({"isAwake":true,"until":1e999})", std::nullopt},
      {R"([true])", std::nullopt},
      {R"(garbage)", std::nullopt},
  };
  for (const auto& [literal, expected] : rows) {
    SCOPED_TRACE(literal);
    const auto decoded = VGXControlState::decode(bytes(literal));
    EXPECT_EQ(decoded ? std::optional(*decoded) : std::nullopt, expected);
  }
  // A stored record that is off but carries an end time is read as found.
  const auto offWithEnd = VGXControlState::decode(bytes(R"({"isAwake":false,"until":60})"));
  ASSERT_TRUE(offWithEnd.has_value());
  EXPECT_FALSE(offWithEnd->isAwake());
  EXPECT_EQ(offWithEnd->until(), Date(60));
  EXPECT_NE(*offWithEnd, VGXControlState());
}

TEST_F(ControlStateTest, ReadGivesOffWithoutSuiteDataOrValidJson) {
  EXPECT_EQ(VGXControlState::read(nullptr), VGXControlState());
  EXPECT_EQ(VGXControlState::read(&suite_), VGXControlState());
  suite_.set(VGXControlState::defaultsKey, "{\"isAwake\":true}");  // text, not data
  EXPECT_EQ(VGXControlState::read(&suite_), VGXControlState());
  suite_.set(VGXControlState::defaultsKey, bytes("{not json"));
  EXPECT_EQ(VGXControlState::read(&suite_), VGXControlState());
  suite_.set(VGXControlState::defaultsKey, bytes(R"({"isAwake":true,"until":5})"));
  EXPECT_EQ(VGXControlState::read(&suite_), VGXControlState(true, Date(5)));
}

TEST_F(ControlStateTest, WriteStoresOnlyChanges) {
  EXPECT_FALSE(VGXControlState(true, std::nullopt).write(nullptr));

  const VGXControlState timed(true, Date(1000));
  EXPECT_TRUE(timed.write(&suite_));
  EXPECT_EQ(storedText(), R"({"isAwake":true,"until":1000})");
  EXPECT_FALSE(timed.write(&suite_));  // equal: nothing written
  EXPECT_TRUE(VGXControlState(true, Date(1001)).write(&suite_));
  EXPECT_TRUE(VGXControlState().write(&suite_));
  EXPECT_EQ(storedText(), R"({"isAwake":false})");
}

TEST_F(ControlStateTest, WriteOverUndecodableDataComparesAsOff) {
  suite_.set(VGXControlState::defaultsKey, bytes("broken"));
  EXPECT_FALSE(VGXControlState().write(&suite_));
  EXPECT_EQ(storedText(), "broken");
  EXPECT_TRUE(VGXControlState(true, std::nullopt).write(&suite_));
  EXPECT_EQ(storedText(), R"({"isAwake":true})");

  // A value that is not data does not count as stored state.
  suite_.set(VGXControlState::defaultsKey, 7);
  EXPECT_TRUE(VGXControlState().write(&suite_));
  EXPECT_EQ(storedText(), R"({"isAwake":false})");
}

TEST_F(ControlStateTest, AnotherProcessSeesTheWrite) {
  auto extension =
      std::make_shared<testing::TestUserDefaults>(VGXControlState::appGroup, suite_.storage());
  EXPECT_TRUE(VGXControlState(true, Date(42)).write(&suite_));
  EXPECT_EQ(VGXControlState::read(extension.get()), VGXControlState(true, Date(42)));
}

TEST_F(ControlStateTest, PostRequestStoresTheRecordAndAnnouncesIt) {
  const Date now = Date::fromTimeIntervalSince1970(1767603600.25);
  VGXControlState::postRequest(true, now, &suite_);
  EXPECT_EQ(suite_.dictionaryValue(VGXControlState::requestKey),
            (PropertyDictionary{{"value", true}, {"at", 1767603600.25}}));
  VGXControlState::postRequest(false, now, &suite_);  // one slot: replaced
  EXPECT_EQ(suite_.dictionaryValue(VGXControlState::requestKey),
            (PropertyDictionary{{"value", false}, {"at", 1767603600.25}}));

  EXPECT_EQ(
      bus_.posted(VGXControlState::requestNotification),
      (std::vector<testing::InProcessNotificationBus::Posted>{
          {"run.tarvo.vigilix.control.request", "1"}, {"run.tarvo.vigilix.control.request", "0"}}));
}

TEST_F(ControlStateTest, PostRequestWithoutSuiteStillAnnounces) {
  VGXControlState::postRequest(false, Date(0), nullptr);
  VGXControlState::postRequest(true, Date(0), nullptr);
  const auto posted = bus_.posted(VGXControlState::requestNotification);
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].object, "0");
  EXPECT_EQ(posted[1].object, "1");
}

class ControlRequestWindowTest : public ControlStateTest {
 protected:
  const Date now_ = Date::fromTimeIntervalSince1970(1000000);
};

// Any dictionary is consumed; only a well-formed one from one second ahead to fifteen seconds
// old is taken.
TEST_F(ControlRequestWindowTest, TakesWellFormedRequestsInsideTheWindowAndConsumesEveryOther) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Row {
    const char* name;
    PropertyDictionary request;
    std::optional<bool> taken;
  };
  const Row rows[] = {
      {"now, on", {{"value", true}, {"at", 1000000.0}}, true},
      {"now, off", {{"value", false}, {"at", 1000000.0}}, false},
      {"one second ahead", {{"value", true}, {"at", 1000001.0}}, true},
      {"fifteen seconds old", {{"value", true}, {"at", 1000000 - 15.0}}, true},
      {"integer time", {{"value", false}, {"at", std::int64_t{1000000 - 3}}}, false},
      {"more than one second ahead", {{"value", true}, {"at", 1000001.5}}, std::nullopt},
      {"more than fifteen seconds old", {{"value", true}, {"at", 1000000 - 15.5}}, std::nullopt},
      {"time not a number", {{"value", true}, {"at", nan}}, std::nullopt},
      {"no value", {{"at", 1000000.0}}, std::nullopt},
      {"no time", {{"value", true}}, std::nullopt},
      {"integer value", {{"value", 1}, {"at", 1000000.0}}, std::nullopt},
      {"text value", {{"value", "1"}, {"at", 1000000.0}}, std::nullopt},
      {"boolean time", {{"value", true}, {"at", true}}, std::nullopt},
      {"text time", {{"value", true}, {"at", "1000000"}}, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    suite_.set(VGXControlState::requestKey, row.request);
    EXPECT_EQ(VGXControlState::takeRequest(now_, &suite_), row.taken);
    EXPECT_FALSE(suite_.object(VGXControlState::requestKey).has_value()) << "request left behind";
  }
}

TEST_F(ControlRequestWindowTest, TakesARequestOnlyOnce) {
  VGXControlState::postRequest(true, now_, &suite_);
  EXPECT_EQ(VGXControlState::takeRequest(now_, &suite_), true);
  EXPECT_EQ(VGXControlState::takeRequest(now_, &suite_), std::nullopt);
}

TEST_F(ControlRequestWindowTest, NonDictionaryIsLeftInPlace) {
  suite_.set(VGXControlState::requestKey, platform::PropertyArray{true, 1000000.0});
  EXPECT_EQ(VGXControlState::takeRequest(now_, &suite_), std::nullopt);
  EXPECT_TRUE(suite_.object(VGXControlState::requestKey).has_value());
  EXPECT_EQ(VGXControlState::takeRequest(now_, nullptr), std::nullopt);
}

TEST(VGXControlStateValueText, OffOnAndTheShortEndTime) {
  const Date nineUtc = Date::fromTimeIntervalSince1970(1767603600);  // 2026-01-05 09:00 UTC
  {
    testing::PinnedLocale pinned("en_US", "America/New_York");
    EXPECT_EQ(VGXControlState().valueText(), "Off");
    EXPECT_EQ(VGXControlState(true, std::nullopt).valueText(), "On");
    EXPECT_EQ(VGXControlState(true, nineUtc + 5 * 60).valueText(), "Until 4:05 AM");
    // A decoded record that is off but carries an end time still reads "Off".
    const auto offWithEnd = VGXControlState::decode(bytes(R"({"isAwake":false,"until":60})"));
    EXPECT_EQ(offWithEnd->valueText(), "Off");
  }
  {
    testing::PinnedLocale pinned("en_GB", "Europe/London");
    EXPECT_EQ(VGXControlState(true, nineUtc + 30.9).valueText(), "Until 09:00");
  }
}

}  // namespace
}  // namespace vigilix
