#include "platform/base/format_placeholders.h"

#include <gtest/gtest.h>

namespace vigilix::platform {
namespace {

TEST(FillPlaceholdersTest, FillsObjectPlaceholdersInOrder) {
  EXPECT_EQ(fillPlaceholders("Keep awake until %@", {"3:00 PM"}), "Keep awake until 3:00 PM");
  EXPECT_EQ(fillPlaceholders("%@ and %@", {"a", "b"}), "a and b");
  EXPECT_EQ(fillPlaceholders("%@%@", {"a", "b"}), "ab");
  EXPECT_EQ(fillPlaceholders("no placeholders", {"unused"}), "no placeholders");
  // An argument holding "%@" is not filled again.
  EXPECT_EQ(fillPlaceholders("%@ then %@", {"%@", "x"}), "%@ then x");
}

TEST(FillPlaceholdersTest, PositionalArgumentsPickByIndex) {
  EXPECT_EQ(fillPlaceholders("%2$@ before %1$@", {"one", "two"}), "two before one");
  EXPECT_EQ(fillPlaceholders("%1$@ %1$@", {"echo"}), "echo echo");
  // "%0$@" names no argument and is kept as written.
  EXPECT_EQ(fillPlaceholders("%0$@", {"x"}), "%0$@");
}

TEST(FillPlaceholdersTest, IntegerConversionsTakeTextArguments) {
  EXPECT_EQ(fillPlaceholders("Paused: battery below %d %%", {"20"}), "Paused: battery below 20 %");
  EXPECT_EQ(fillPlaceholders("%lld%% battery", {"15"}), "15% battery");
  EXPECT_EQ(fillPlaceholders("%ld of %lu", {"1", "2"}), "1 of 2");
  EXPECT_EQ(fillPlaceholders("%d hours", {"6"}), "6 hours");
}

TEST(FillPlaceholdersTest, OddInputIsKeptOrDroppedNeverCrashes) {
  EXPECT_EQ(fillPlaceholders("", {}), "");
  EXPECT_EQ(fillPlaceholders("100%", {}), "100%");
  EXPECT_EQ(fillPlaceholders("%%", {}), "%");
  EXPECT_EQ(fillPlaceholders("%%@", {"x"}), "%@");
  EXPECT_EQ(fillPlaceholders("%@ and %@", {"only"}), "only and ");
  EXPECT_EQ(fillPlaceholders("%5$@", {"a"}), "");
  EXPECT_EQ(fillPlaceholders("%02d:%f %s %@", {"1"}), "%02d:%f %s 1");
  EXPECT_EQ(fillPlaceholders("%l", {"x"}), "%l");
}

}  // namespace
}  // namespace vigilix::platform
