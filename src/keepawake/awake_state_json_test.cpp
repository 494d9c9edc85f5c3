#include "keepawake/awake_state_json.h"

#include <gtest/gtest.h>

#include <utility>

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

TEST(ManualSessionKindJson, GoldenRowsAreOneKeyObjectsWithFractionsKept) {
  const auto at = [](double seconds) { return Date::fromTimeIntervalSince1970(seconds); };
  const std::pair<ManualSessionKind, const char*> rows[] = {
      {ManualSessionKind::none(), R"({"none":{}})"},
      {ManualSessionKind::indefinite(), R"({"indefinite":{}})"},
      {ManualSessionKind::until(at(60)), R"({"until":{"_0":60}})"},
      {ManualSessionKind::duration(1800.5, at(0.25)),
       R"({"duration":{"startedAt":0.25,"total":1800.5}})"},
      {ManualSessionKind::duration(0.1, at(1767603600.125)),
       R"({"duration":{"startedAt":1767603600.125,"total":0.1}})"},
  };
  for (const auto& [value, literal] : rows) {
    SCOPED_TRACE(literal);
    EXPECT_EQ(encodeText(value), literal);
    EXPECT_EQ(decodeText(literal), value);
  }
  // The default date form counts from 2001.
  EXPECT_EQ(encodeText(ManualSessionKind::until(Date(60)), Strategy::secondsSinceReferenceDate),
            R"({"until":{"_0":60}})");
  // Any key order and negative dates are read; keys that name no case are not counted.
  EXPECT_EQ(decodeText(R"({"duration":{"total":600,"startedAt":-5.5}})"),
            ManualSessionKind::duration(600, at(-5.5)));
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

}  // namespace
}  // namespace vigilix
