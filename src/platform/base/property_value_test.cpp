#include "platform/base/property_value.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vigilix::platform {
namespace {

TEST(PropertyValueTest, KindsAreDistinctEvenWhenTheNumbersAgree) {
  EXPECT_NE(PropertyValue(1), PropertyValue(1.0));
  EXPECT_NE(PropertyValue(true), PropertyValue(1));
  EXPECT_NE(PropertyValue(Date(0)), PropertyValue(0.0));
  EXPECT_TRUE(PropertyValue(1).isNumber());
  EXPECT_FALSE(PropertyValue(true).isNumber());
  EXPECT_TRUE(PropertyValue("x").isString());
}

TEST(PropertyValueTest, DebugDescriptionShowsEveryKind) {
  PropertyValue v(PropertyDictionary{
      {"a", PropertyArray{1, 2.5, true, 3.0}},
      {"d", Bytes{0x0a, 0xff}},
      {"s", "q\"uote"},
      {"t", Date(0)},
      {"e", PropertyDictionary{}},
  });
  EXPECT_EQ(debugDescription(v),
            "{\"a\": [1, 2.5, true, 3.0], \"d\": <0aff>, \"e\": {}, \"s\": \"q\\\"uote\", "
            "\"t\": 2001-01-01 00:00:00 +0000}");
  std::ostringstream os;
  PrintTo(PropertyValue(false), &os);
  EXPECT_EQ(os.str(), "false");
}

}  // namespace
}  // namespace vigilix::platform
