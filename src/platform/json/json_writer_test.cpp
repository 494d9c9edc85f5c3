#include "platform/json/json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/json/json_reader.h"

namespace vigilix::platform::json {
namespace {

std::string written(const Value& v, WriteOptions options = {}) {
  auto text = write(v, options);
  EXPECT_TRUE(text.has_value()) << (text ? "" : text.error().description());
  return text.value_or("");
}

TEST(JsonWriterTest, CompactOutputKeepsInsertionOrderUnlessSorted) {
  Value v = Value::object();
  v["total"] = 1800.0;
  v["startedAt"] = 0.5;
  v["kind"] = "none";
  EXPECT_EQ(written(v), R"({"total":1800,"startedAt":0.5,"kind":"none"})");
  EXPECT_EQ(written(v, {.sortedKeys = true}), R"({"kind":"none","startedAt":0.5,"total":1800})");
}

TEST(JsonWriterTest, SortingReachesNestedObjectsButNotArrays) {
  Value v = Value::parse(R"({"b":[3,1,{"z":1,"a":2}],"a":{"y":true,"x":null}})");
  EXPECT_EQ(written(v, {.sortedKeys = true}),
            R"({"a":{"x":null,"y":true},"b":[3,1,{"a":2,"z":1}]})");
}

TEST(JsonWriterTest, SortedKeyOrderIsNumericAndCaseInsensitive) {
  EXPECT_TRUE(compareKeys("key2", "key10"));
  EXPECT_FALSE(compareKeys("key10", "key2"));
  EXPECT_TRUE(compareKeys("alpha", "Beta"));
  EXPECT_TRUE(compareKeys("a", "ab"));
  EXPECT_TRUE(compareKeys("A", "a"));  // ties broken by bytes: a total order
  EXPECT_FALSE(compareKeys("a", "A"));
  EXPECT_FALSE(compareKeys("same", "same"));
  EXPECT_TRUE(compareKeys("x01", "x2"));
  EXPECT_TRUE(compareKeys("doctor", "epoch"));
  EXPECT_TRUE(compareKeys("nonce", "status"));
  EXPECT_TRUE(compareKeys("status", "v"));
}

TEST(JsonWriterTest, NumbersOfEveryKind) {
  Value v = Value::array({1, -7, std::numeric_limits<std::uint64_t>::max(),
                          std::numeric_limits<std::int64_t>::min(), 1800.0, -0.0, 0.25, 1e300});
  EXPECT_EQ(written(v), "[1,-7,18446744073709551615,-9223372036854775808,1800,0,0.25,1e+300]");
}

TEST(JsonWriterTest, NonFiniteNumbersAreRefusedWithTheirPath) {
  Value v = Value::object();
  v["outer"] = Value::array({1.0, Value::object({{"bad", std::nan("")}})});
  auto result = write(v);
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error().codingPath, (CodingPath{"outer", "Index 1", "bad"}));
  EXPECT_EQ(result.error().debugDescription, "Unable to encode Double.nan directly in JSON.");
  EXPECT_EQ(result.error().localizedDescription(),
            "The data couldn\u2019t be written because it isn\u2019t in the correct format.");

  auto infinite = write(Value(-std::numeric_limits<double>::infinity()));
  ASSERT_FALSE(infinite.has_value());
  EXPECT_EQ(infinite.error().debugDescription,
            "Unable to encode -Double.infinity directly in JSON.");
}

TEST(JsonWriterTest, StringEscapes) {
  Value v = Value::array(
      {"a/b", "q\"\\", "\b\f\n\r\t", std::string("\x01\x1f", 2), "\u00e9\U0001F600", "\x7f"});
  EXPECT_EQ(written(v), R"(["a\/b","q\"\\","\b\f\n\r\t","\u0001\u001f",")"
                        "\u00e9\U0001F600"
                        R"(",")"
                        "\x7f"
                        R"("])");
  EXPECT_EQ(written(Value("a/b"), {.withoutEscapingSlashes = true}), R"("a/b")");
  // Keys are escaped the same way.
  EXPECT_EQ(written(Value::object({{"a/\"", 1}})), R"({"a\/\"":1})");
}

TEST(JsonWriterTest, InvalidUtf8IsRefused) {
  for (const char* bad : {"\xff", "\xc0\xaf", "\xed\xa0\x80", "\xe2\x82", "\xf4\x90\x80\x80"}) {
    auto result = write(Value::object({{"k", std::string(bad)}}));
    ASSERT_FALSE(result.has_value()) << bad;
    EXPECT_EQ(result.error().codingPath, CodingPath{"k"});
  }
}

TEST(JsonWriterTest, PrettyPrintingUsesTwoSpacesAndSpacedColons) {
  Value v = Value::parse(R"({"events":[{"tool":"x","at":1}],"empty":{},"none":[]})");
  EXPECT_EQ(written(v, {.sortedKeys = true, .prettyPrinted = true}),
            "{\n"
            "  \"empty\" : {},\n"
            "  \"events\" : [\n"
            "    {\n"
            "      \"at\" : 1,\n"
            "      \"tool\" : \"x\"\n"
            "    }\n"
            "  ],\n"
            "  \"none\" : []\n"
            "}");
}

TEST(JsonWriterTest, WrittenTextParsesBackToTheSameValue) {
  Value v = Value::parse(R"({"s":"\u00e9 / \n","n":[0.1,-3,1e-7,12345678901234567890],"b":false})");
  auto text = write(v, {.prettyPrinted = true});
  ASSERT_TRUE(text.has_value());
  auto back = parse(*text);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, v);
}

}  // namespace
}  // namespace vigilix::platform::json
