#include "hub/awake_state_json.h"

#include <gtest/gtest.h>

#include "platform/json/json_reader.h"
#include "platform/json/json_writer.h"

namespace vigilix {
namespace {

namespace json = platform::json;
using platform::Date;
using Strategy = json::DateStrategy;

std::expected<ManualSessionKind, json::DecodingError> decodeText(
    const std::string& text, Strategy dates = Strategy::secondsSince1970) {
  return json::decode(text, decodeManualSessionKind, dates);
}

std::string encodeText(const ManualSessionKind& kind, Strategy dates = Strategy::secondsSince1970) {
  json::WriteOptions sorted;
  sorted.sortedKeys = true;
  return json::write(encodeManualSessionKind(kind, dates), sorted).value();
}

TEST(ManualSessionKindJson, WritesOneKeyObjects) {
  EXPECT_EQ(encodeText(ManualSessionKind::none()), R"({"none":{}})");
  EXPECT_EQ(encodeText(ManualSessionKind::indefinite()), R"({"indefinite":{}})");
  EXPECT_EQ(encodeText(ManualSessionKind::until(Date::fromTimeIntervalSince1970(60))),
            R"({"until":{"_0":60}})");
  EXPECT_EQ(encodeText(ManualSessionKind::duration(1800.5, Date::fromTimeIntervalSince1970(0.25))),
            R"({"duration":{"startedAt":0.25,"total":1800.5}})");
  // The default date form counts from 2001.
  EXPECT_EQ(encodeText(ManualSessionKind::until(Date(60)), Strategy::secondsSinceReferenceDate),
            R"({"until":{"_0":60}})");
}

TEST(ManualSessionKindJson, ReadsEveryCase) {
  EXPECT_EQ(decodeText(R"({"none":{}})"), ManualSessionKind::none());
  EXPECT_EQ(decodeText(R"({"indefinite":{}})"), ManualSessionKind::indefinite());
  EXPECT_EQ(decodeText(R"({"until":{"_0":60}})"),
            ManualSessionKind::until(Date::fromTimeIntervalSince1970(60)));
  EXPECT_EQ(decodeText(R"({"duration":{"total":600,"startedAt":-5.5}})"),
            ManualSessionKind::duration(600, Date::fromTimeIntervalSince1970(-5.5)));
  // Keys that name no case are not counted.
  EXPECT_EQ(decodeText(R"({"extra":1,"indefinite":{}})"), ManualSessionKind::indefinite());
}

TEST(ManualSessionKindJson, WrongNumberOfCaseKeysFailsWithTheKeysText) {
  for (const char* text : {R"({"none":{},"indefinite":{}})", R"({})", R"({"sometime":{}})"}) {
    const auto result = decodeText(text);
    ASSERT_FALSE(result.has_value()) << text;
    EXPECT_EQ(result.error().kind, json::DecodingError::Kind::typeMismatch) << text;
    EXPECT_EQ(result.error().debugDescription, "Invalid number of keys found, expected one.")
        << text;
  }
}

TEST(ManualSessionKindJson, MissingOrWrongPayloadFails) {
  for (const char* text : {
           R"({"until":{}})",                                // no "_0"
           R"({"until":{"_0":"60"}})",                       // not a number
           R"({"until":60})",                                // payload not an object
           R"({"none":null})",                               // payload not an object
           R"({"duration":{"total":600}})",                  // no start
           R"({"duration":{"startedAt":0}})",                // no total
           R"({"duration":{"total":true,"startedAt":0}})",   // a Bool is no number
           R"({"duration":{"total":1e999,"startedAt":0}})",  // not finite
           R"({"until":{"_0":-1e999}})",                     // not finite
           R"(["none"])",                                    // not an object
       }) {
    EXPECT_FALSE(decodeText(text).has_value()) << text;
  }
}

TEST(ManualSessionKindJson, RoundTripsFractionalDates) {
  const auto kind =
      ManualSessionKind::duration(0.1, Date::fromTimeIntervalSince1970(1767603600.125));
  EXPECT_EQ(decodeText(encodeText(kind)), kind);
}

}  // namespace
}  // namespace vigilix
