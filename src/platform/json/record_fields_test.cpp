#include "platform/json/record_fields.h"

#include <gtest/gtest.h>

#include "platform/json/json_writer.h"

namespace vigilix::platform::json {
namespace {

struct Sample {
  std::int32_t count = 0;
  bool flag = true;
  std::optional<double> ratio;
  std::vector<std::string> tags;
  std::set<std::int64_t> days;
  std::optional<Date> at;
  Bytes data;
  UUID id;

  bool operator==(const Sample&) const = default;
};

const RecordFields<Sample>& sampleFields() {
  static const RecordFields<Sample> fields{
      field("count", &Sample::count, Integer<std::int32_t>{}),
      field("flag", &Sample::flag, Boolean{}, Presence::defaulted),
      field("ratio", &Sample::ratio, Real{}),
      field("tags", &Sample::tags, ListOf<Text>{}, Presence::defaulted),
      field("days", &Sample::days, SetOf<Integer<std::int64_t>>{}, Presence::defaulted),
      field("at", &Sample::at, DateNumber{}),
      field("data", &Sample::data, Base64Data{}, Presence::defaulted),
      field("id", &Sample::id, UuidText{}, Presence::defaulted),
  };
  return fields;
}

Sample withCount(std::int32_t count, std::set<std::int64_t> days = {}) {
  Sample sample;
  sample.count = count;
  sample.days = std::move(days);
  return sample;
}

const UUID kId = UUID::fromString("E621E1F8-C36C-495A-93FC-0C247A3E6E5F").value();
constexpr const char* kZeroId = R"("id":"00000000-0000-0000-0000-000000000000")";

std::expected<Sample, DecodingError> read(std::string_view text,
                                          DateStrategy dates = DateStrategy::secondsSince1970) {
  return decode(
      text, [](const ValueReader& value) { return decodeRecord(value, sampleFields()); }, dates);
}

// The table writes its keys in table order, leaves out empty optionals, and
// reads back what it wrote.
TEST(RecordFieldsTest, GoldenRowsRoundTrip) {
  struct Row {
    const char* name;
    Sample value;
    std::string literal;
  };
  const Row rows[] = {
      {"defaults; empty optionals left out", Sample{},
       std::string(R"({"count":0,"flag":true,"tags":[],"days":[],"data":"",)") + kZeroId + "}"},
      {"every field",
       Sample{
           -2147483647 - 1, false, 0.5, {"a", "b"}, {3, 1, 4294967296}, Date(100), {1, 2, 3}, kId},
       R"({"count":-2147483648,"flag":false,"ratio":0.5,"tags":["a","b"],)"
       R"("days":[1,3,4294967296],"at":978307300,"data":"AQID",)"
       R"("id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F"})"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(write(encodeRecord(row.value, sampleFields(), DateStrategy::secondsSince1970)),
              row.literal);
    EXPECT_EQ(read(row.literal), row.value);
  }
}

TEST(RecordFieldsTest, AbsentAndNullKeysFollowTheFieldsPresence) {
  struct Row {
    const char* name;
    std::string literal;
    Sample value;
  };
  const Row rows[] = {
      {"only the required key", R"({"count":7})", withCount(7)},
      {"nulls keep the defaults and empty the optionals",
       R"({"count":7,"flag":null,"ratio":null,"tags":null,"at":null,"unknown":[1]})", withCount(7)},
      {"days in any order, repeated", R"({"count":1,"days":[5,2,5]})", withCount(1, {2, 5})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(read(row.literal), row.value);
  }
}

TEST(RecordFieldsTest, TheFirstBadFieldInTableOrderFailsTheRecord) {
  using Kind = DecodingError::Kind;
  struct Row {
    const char* name;
    std::string literal;
    Kind kind;
    CodingPath path;
    std::string description;
  };
  const Row rows[] = {
      {"required key missing",
       R"({"flag":true})",
       Kind::keyNotFound,
       {},
       R"(No value associated with key "count".)"},
      {"required key null", R"({"count":null})", Kind::valueNotFound, {"count"}, ""},
      {"integer beyond its width",
       R"({"count":2147483648})",
       Kind::dataCorrupted,
       {"count"},
       "Parsed JSON number <2147483648> does not fit in Int32."},
      {"integer with a fraction",
       R"({"count":1.5})",
       Kind::dataCorrupted,
       {"count"},
       "Parsed JSON number <1.5> does not fit in Int."},
      {"defaulted key of the wrong type",
       R"({"count":1,"flag":1})",
       Kind::typeMismatch,
       {"flag"},
       ""},
      {"bad list element",
       R"({"count":1,"tags":["a",2]})",
       Kind::typeMismatch,
       {"tags", "Index 1"},
       ""},
      {"first bad field wins",
       R"({"count":1,"ratio":"x","data":"!"})",
       Kind::typeMismatch,
       {"ratio"},
       ""},
      {"invalid identifier",
       R"({"count":1,"id":"nope"})",
       Kind::dataCorrupted,
       {"id"},
       "Attempted to decode UUID from invalid UUID string."},
      {"not an object", "[]", Kind::typeMismatch, {}, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto result = read(row.literal);
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().kind, row.kind);
    EXPECT_EQ(result.error().codingPath, row.path);
    if (!row.description.empty()) {
      EXPECT_EQ(result.error().debugDescription, row.description);
    }
  }
}

TEST(RecordFieldsTest, UnsignedIntegersReadExactlyWithinTheirWidth) {
  struct Row {
    const char* name;
    std::string literal;
    std::optional<std::uint64_t> wide;
    std::optional<std::uint32_t> narrow;
  };
  const Row rows[] = {
      {"largest UInt64", "18446744073709551615", 18446744073709551615ull, std::nullopt},
      {"beyond UInt64", "18446744073709551616", std::nullopt, std::nullopt},
      {"largest UInt32", "4294967295", 4294967295ull, 4294967295u},
      {"beyond UInt32", "4294967296", 4294967296ull, std::nullopt},
      {"integral double", "5.0", 5, 5},
      {"negative", "-1", std::nullopt, std::nullopt},
      {"fraction", "1.5", std::nullopt, std::nullopt},
      {"text", R"("1")", std::nullopt, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto wide = decode(row.literal,
                       [](const ValueReader& v) { return Unsigned<std::uint64_t>{}.decode(v); });
    auto narrow = decode(row.literal,
                         [](const ValueReader& v) { return Unsigned<std::uint32_t>{}.decode(v); });
    EXPECT_EQ(wide ? std::optional(*wide) : std::nullopt, row.wide);
    EXPECT_EQ(narrow ? std::optional(*narrow) : std::nullopt, row.narrow);
  }
  auto beyond = decode("4294967296",
                       [](const ValueReader& v) { return Unsigned<std::uint32_t>{}.decode(v); });
  ASSERT_FALSE(beyond.has_value());
  EXPECT_EQ(beyond.error().debugDescription,
            "Parsed JSON number <4294967296> does not fit in UInt32.");
  EXPECT_EQ(write(Unsigned<std::uint64_t>{}.encode(18446744073709551615ull, {})),
            "18446744073709551615");
}

TEST(RecordFieldsTest, DatesFollowTheStrategyOfEachDirection) {
  Sample sample;
  sample.at = Date(1.5);
  EXPECT_EQ(encodeRecord(sample, sampleFields())["at"], Value(1.5));
  EXPECT_EQ(read(R"({"count":0,"at":1.5})", DateStrategy::secondsSinceReferenceDate)->at,
            Date(1.5));
}

}  // namespace
}  // namespace vigilix::platform::json
