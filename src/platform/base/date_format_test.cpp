#include "platform/base/date_format.h"

#include <gtest/gtest.h>

namespace vigilix::platform {
namespace {

TEST(DateFormatTest, InternetDateTimeInUtc) {
  EXPECT_EQ(iso8601Text(Date::fromTimeIntervalSince1970(0)), "1970-01-01T00:00:00Z");
  EXPECT_EQ(iso8601Text(Date(0)), "2001-01-01T00:00:00Z");
  EXPECT_EQ(iso8601Text(Date::fromTimeIntervalSince1970(1709622489)), "2024-03-05T07:08:09Z");
  EXPECT_EQ(iso8601Text(Date::fromTimeIntervalSince1970(951782400)), "2000-02-29T00:00:00Z");
  EXPECT_EQ(iso8601Text(Date::fromTimeIntervalSince1970(-1)), "1969-12-31T23:59:59Z");
}

TEST(DateFormatTest, MillisecondsAreCutNotRounded) {
  EXPECT_EQ(iso8601Text(Date::fromTimeIntervalSince1970(1709622489.123), true),
            "2024-03-05T07:08:09.123Z");
  EXPECT_EQ(iso8601Text(Date::fromTimeIntervalSince1970(1709622489.9999), true),
            "2024-03-05T07:08:09.999Z");
  EXPECT_EQ(iso8601Text(Date::fromTimeIntervalSince1970(1.123), true), "1970-01-01T00:00:01.123Z");
  EXPECT_EQ(iso8601Text(Date::fromTimeIntervalSince1970(-0.5), true), "1969-12-31T23:59:59.500Z");
  EXPECT_EQ(iso8601Text(Date::fromTimeIntervalSince1970(59.9999)), "1970-01-01T00:00:59Z");
}

TEST(DateFormatTest, ReadsWhatItWritesAndRefusesTheRest) {
  for (double t : {0.0, 1709622489.0, 1709622489.25, -86400.5, 4102444800.0}) {
    Date d = Date::fromTimeIntervalSince1970(t);
    EXPECT_EQ(dateFromISO8601(iso8601Text(d, true)), d) << t;
  }
  EXPECT_EQ(dateFromISO8601("2024-03-05T07:08:09Z"), Date::fromTimeIntervalSince1970(1709622489));
  for (const char* bad : {"", "2024-03-05", "2024-03-05T07:08:09", "2024-03-05T07:08:09+01:00",
                          "2024-03-05 07:08:09Z", "2024-02-30T00:00:00Z", "2023-02-29T00:00:00Z",
                          "2024-13-01T00:00:00Z", "2024-03-05T24:00:00Z", "2024-03-05T07:08:09.Z",
                          "2024-03-05T07:08:09ZZ", "20x4-03-05T07:08:09Z"}) {
    EXPECT_FALSE(dateFromISO8601(bad).has_value()) << bad;
  }
}

TEST(DateFormatTest, DescriptionForLogs) {
  EXPECT_EQ(dateDescription(Date(0)), "2001-01-01 00:00:00 +0000");
  EXPECT_EQ(dateDescription(Date(-0.25)), "2000-12-31 23:59:59 +0000");
}

}  // namespace
}  // namespace vigilix::platform
