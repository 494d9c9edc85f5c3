#include "platform/json/value_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/json/json_reader.h"

namespace vigilix::platform::json {
namespace {

using Kind = DecodingError::Kind;

Value doc(std::string_view text) {
  auto v = parse(text);
  EXPECT_TRUE(v.has_value()) << text;
  return v.value_or(Value());
}

TEST(JsonParseTest, RefusesTextThatIsNotOneJsonDocument) {
  for (const char* bad : {"", " ", "{", "{\"a\":1}x", "{\"a\":1} {}", "[1,]", "{'a':1}", "nul",
                          "\"\xff\"", "NaN", "{\"a\":Infinity}"}) {
    auto v = parse(bad);
    ASSERT_FALSE(v.has_value()) << bad;
    EXPECT_EQ(v.error(),
              (DecodingError{Kind::dataCorrupted, {}, "The given data was not valid JSON."}));
    EXPECT_EQ(v.error().localizedDescription(),
              "The data couldn\u2019t be read because it isn\u2019t in the correct format.");
  }
  EXPECT_TRUE(parse(" {\"a\" : [1, 2]}\n").has_value());
  EXPECT_TRUE(parse("3").has_value());
  EXPECT_TRUE(parse(std::vector<std::uint8_t>{'[', ']'}).has_value());
}

TEST(ValueReaderTest, RequiredMembersOfEachType) {
  Value v = doc(
      R"({"s":"text","b":true,"d":0.5,"i":1800,"f":1800.0,"data":"AQID","o":{"x":1},"a":[1,2]})");
  KeyedReader r(v, {});
  EXPECT_EQ(r.requireString("s"), "text");
  EXPECT_EQ(r.requireBool("b"), true);
  EXPECT_EQ(r.requireDouble("d"), 0.5);
  EXPECT_EQ(r.requireDouble("i"), 1800.0);
  EXPECT_EQ(r.requireInt64("i"), 1800);
  EXPECT_EQ(r.requireInt64("f"), 1800);
  EXPECT_EQ(r.requireData("data"), (Bytes{1, 2, 3}));
  auto o = r.requireObject("o");
  ASSERT_TRUE(o.has_value());
  EXPECT_EQ(o->codingPath(), CodingPath{"o"});
  EXPECT_EQ(o->requireInt64("x"), 1);
  auto a = r.requireArray("a");
  ASSERT_TRUE(a.has_value());
  ASSERT_EQ(a->size(), 2u);
  EXPECT_EQ((*a)[1].codingPath(), (CodingPath{"a", "Index 1"}));
  EXPECT_EQ((*a)[1].asInt64(), 2);
}

TEST(ValueReaderTest, MissingNullAndMistypedValuesGiveTheirErrorKinds) {
  Value v = doc(R"({"outer":{"n":null,"s":"1","b":false,"num":0}})");
  auto outer = KeyedReader(v, {}).requireObject("outer");
  ASSERT_TRUE(outer.has_value());

  auto missing = outer->requireString("gone");
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(
      missing.error(),
      (DecodingError{Kind::keyNotFound, {"outer"}, "No value associated with key \"gone\"."}));
  EXPECT_EQ(missing.error().localizedDescription(),
            "The data couldn\u2019t be read because it is missing.");

  auto null = outer->requireDouble("n");
  ASSERT_FALSE(null.has_value());
  EXPECT_EQ(null.error().kind, Kind::valueNotFound);
  EXPECT_EQ(null.error().codingPath, (CodingPath{"outer", "n"}));

  auto stringAsNumber = outer->requireDouble("s");
  ASSERT_FALSE(stringAsNumber.has_value());
  EXPECT_EQ(stringAsNumber.error(),
            (DecodingError{Kind::typeMismatch,
                           {"outer", "s"},
                           "Expected to decode Double but found a string instead."}));
  EXPECT_EQ(stringAsNumber.error().description(),
            "typeMismatch at outer.s: Expected to decode Double but found a string instead.");
}

TEST(ValueReaderTest, BooleansAndNumbersNeverStandInForEachOther) {
  Value v = doc(R"({"b":false,"t":true,"zero":0,"one":1})");
  KeyedReader r(v, {});
  EXPECT_EQ(r.requireDouble("b").error().kind, Kind::typeMismatch);
  EXPECT_EQ(r.requireInt64("t").error().kind, Kind::typeMismatch);
  EXPECT_EQ(r.requireDate("t").error().kind, Kind::typeMismatch);
  EXPECT_EQ(r.requireBool("zero").error().kind, Kind::typeMismatch);
  EXPECT_EQ(r.requireBool("one").error().kind, Kind::typeMismatch);
  EXPECT_EQ(r.optionalBool("one").error().kind, Kind::typeMismatch);
}

TEST(ValueReaderTest, OptionalMembersAreNoneWhenAbsentOrNullButStillTypeChecked) {
  Value v = doc(R"({"n":null,"s":"x","num":2})");
  KeyedReader r(v, {});
  EXPECT_EQ(r.optionalString("absent").value(), std::optional<std::string>());
  EXPECT_EQ(r.optionalString("n").value(), std::optional<std::string>());
  EXPECT_EQ(r.optionalString("s").value(), std::optional<std::string>("x"));
  EXPECT_EQ(r.optionalDouble("num").value(), std::optional<double>(2));
  EXPECT_EQ(r.optionalDouble("s").error().kind, Kind::typeMismatch);
  EXPECT_TRUE(r.contains("n"));
  EXPECT_FALSE(r.contains("absent"));
  EXPECT_EQ(r.allKeys(), (std::vector<std::string>{"n", "s", "num"}));
}

TEST(ValueReaderTest, IntegersMustBeIntegralAndFit) {
  Value v = doc(
      R"({"half":1.5,"big":18446744073709551615,"max":9223372036854775807,"neg":-9223372036854775808,"huge":1e19,"e":2e3})");
  KeyedReader r(v, {});
  auto half = r.requireInt64("half");
  ASSERT_FALSE(half.has_value());
  EXPECT_EQ(half.error().kind, Kind::dataCorrupted);
  EXPECT_EQ(half.error().debugDescription, "Parsed JSON number <1.5> does not fit in Int.");
  EXPECT_EQ(r.requireInt64("big").error().kind, Kind::dataCorrupted);
  EXPECT_EQ(r.requireInt64("huge").error().kind, Kind::dataCorrupted);
  EXPECT_EQ(r.requireInt64("max"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(r.requireInt64("neg"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(r.requireInt64("e"), 2000);
}

TEST(ValueReaderTest, NumbersBeyondDoubleAreRefused) {
  // Out-of-range text never becomes an infinity...
  EXPECT_EQ(parse(R"({"x":1e400})").error().kind, Kind::dataCorrupted);
  EXPECT_EQ(parse("-1e999").error().kind, Kind::dataCorrupted);
  // ...and a non-finite value built in memory is refused by every number read.
  Value v = Value::object();
  v["inf"] = std::numeric_limits<double>::infinity();
  v["nan"] = std::nan("");
  KeyedReader r(v, {});
  EXPECT_EQ(r.requireDouble("inf").error().kind, Kind::dataCorrupted);
  EXPECT_EQ(r.requireDate("nan").error().kind, Kind::dataCorrupted);
  EXPECT_EQ(r.optionalDouble("nan").error().kind, Kind::dataCorrupted);
  EXPECT_EQ(r.requireInt64("inf").error().kind, Kind::dataCorrupted);
}

TEST(ValueReaderTest, DatesFollowTheStrategy) {
  Value v = doc(R"({"at":60,"frac":0.25})");
  KeyedReader since2001(v, {});
  EXPECT_EQ(since2001.requireDate("at"), Date(60));
  KeyedReader since1970(v, {}, DateStrategy::secondsSince1970);
  EXPECT_EQ(since1970.requireDate("at"), Date::fromTimeIntervalSince1970(60));
  EXPECT_EQ(since1970.requireDate("frac")->timeIntervalSince1970(), 0.25);
  // The strategy carries into nested readers.
  Value nested = doc(R"({"o":{"d":[60]}})");
  auto arr =
      KeyedReader(nested, {}, DateStrategy::secondsSince1970).requireObject("o")->requireArray("d");
  EXPECT_EQ((*arr)[0].asDate(), Date::fromTimeIntervalSince1970(60));
}

TEST(ValueReaderTest, DataMustBeValidBase64Text) {
  Value v = doc(R"({"empty":"","bad":"AQI","num":1})");
  KeyedReader r(v, {});
  EXPECT_EQ(r.requireData("empty"), Bytes{});
  auto bad = r.requireData("bad");
  ASSERT_FALSE(bad.has_value());
  EXPECT_EQ(bad.error(),
            (DecodingError{Kind::dataCorrupted, {"bad"}, "Encountered Data is not valid Base64."}));
  EXPECT_EQ(r.requireData("num").error().kind, Kind::typeMismatch);
}

TEST(ValueReaderTest, ContainersOfTheWrongShape) {
  Value v = doc(R"({"o":[1],"a":{"x":1}})");
  KeyedReader r(v, {});
  EXPECT_EQ(r.requireObject("o").error().debugDescription,
            "Expected to decode Dictionary<String, Any> but found an array instead.");
  EXPECT_EQ(r.requireArray("a").error().debugDescription,
            "Expected to decode Array<Any> but found a dictionary instead.");
  EXPECT_EQ(r.optionalObject("a").value()->requireInt64("x"), 1);
}

TEST(DecodeTest, ParsesAndReadsEachElementOrFailsWhole) {
  auto readInts =
      [](const ValueReader& root) -> std::expected<std::vector<std::int64_t>, DecodingError> {
    auto elements = root.asArray();
    if (!elements) return std::unexpected(elements.error());
    return readEach(*elements, [](const ValueReader& e) { return e.asInt64(); });
  };
  EXPECT_EQ(decode("[1,2,3]", readInts), (std::vector<std::int64_t>{1, 2, 3}));
  auto broken = decode("[1,\"2\",3]", readInts);
  ASSERT_FALSE(broken.has_value());
  EXPECT_EQ(broken.error().codingPath, CodingPath{"Index 1"});
  EXPECT_EQ(decode("[1,", readInts).error().kind, Kind::dataCorrupted);
}

}  // namespace
}  // namespace vigilix::platform::json
