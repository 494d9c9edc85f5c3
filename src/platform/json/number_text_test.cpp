#include "platform/json/number_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>

namespace vigilix::platform::json {
namespace {

double readBack(const std::string& text) {
  double d = 0;
  std::from_chars(text.data(), text.data() + text.size(), d);
  return d;
}

TEST(NumberTextTest, IntegralValuesHaveNoFraction) {
  EXPECT_EQ(numberText(1800.0), "1800");
  EXPECT_EQ(numberText(0.0), "0");
  EXPECT_EQ(numberText(-60.0), "-60");
  EXPECT_EQ(numberText(1000000.0), "1000000");
  EXPECT_EQ(numberText(978307200.0), "978307200");
  EXPECT_EQ(numberText(9007199254740993.0), "9007199254740992");
  EXPECT_EQ(numberText(1e16), "1e+16");
}

TEST(NumberTextTest, FractionsUseTheShortestExactDigits) {
  EXPECT_EQ(numberText(0.5), "0.5");
  EXPECT_EQ(numberText(0.1), "0.1");
  EXPECT_EQ(numberText(-2.25), "-2.25");
  EXPECT_EQ(numberText(0.0001), "0.0001");
  EXPECT_EQ(numberText(0.00001), "1e-05");
  EXPECT_EQ(numberText(1.0 / 3.0), "0.3333333333333333");
  EXPECT_EQ(numberText(1700000000.123), "1700000000.123");
  for (double d : {0.1 + 0.2, 1.0 / 3.0, 6.02214076e23, 5e-324, std::numeric_limits<double>::max(),
                   -123456.789e-10, 1234567890123456.7}) {
    auto text = numberText(d);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(readBack(*text), d) << *text;
  }
}

TEST(NumberTextTest, NegativeZeroIsPlainZeroAndNonFiniteIsRefused) {
  EXPECT_EQ(numberText(-0.0), "0");
  EXPECT_FALSE(numberText(std::nan("")).has_value());
  EXPECT_FALSE(numberText(std::numeric_limits<double>::infinity()).has_value());
  EXPECT_FALSE(numberText(-std::numeric_limits<double>::infinity()).has_value());
}

TEST(DecimalDescriptionTest, AlwaysShowsAFractionInDecimalForm) {
  EXPECT_EQ(decimalDescription(1800.0), "1800.0");
  EXPECT_EQ(decimalDescription(0.0), "0.0");
  EXPECT_EQ(decimalDescription(-0.0), "-0.0");
  EXPECT_EQ(decimalDescription(0.5), "0.5");
  EXPECT_EQ(decimalDescription(1709622489.123456), "1709622489.123456");
  EXPECT_EQ(decimalDescription(0.0001), "0.0001");
  EXPECT_EQ(decimalDescription(0.00001), "1e-05");
  EXPECT_EQ(decimalDescription(1e16), "10000000000000000.0");
  EXPECT_EQ(decimalDescription(1e17), "1e+17");
  EXPECT_EQ(decimalDescription(std::nan("")), "nan");
  EXPECT_EQ(decimalDescription(-std::numeric_limits<double>::infinity()), "-inf");
  for (double d : {0.1 + 0.2, 1.0 / 3.0, 123456.789, 5e-324}) {
    EXPECT_EQ(readBack(decimalDescription(d)), d);
  }
}

}  // namespace
}  // namespace vigilix::platform::json
