#include "platform/locale/locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/locale/time_zone.h"
#include "testing/pinned_locale.h"
#include "testing/scoped_environment.h"

namespace vigilix::platform {
namespace {

using testing::ScopedEnvironment;

TEST(LocaleTest, EnvironmentNamesTheLiveLocale) {
  ScopedEnvironment all("LC_ALL", nullptr);
  ScopedEnvironment time("LC_TIME", "en_GB.UTF-8");
  ScopedEnvironment lang("LANG", "de_DE.UTF-8");
  EXPECT_EQ(Locale::fromEnvironment().identifier(), "en_GB");
  {
    ScopedEnvironment override("LC_ALL", "fr_FR.ISO-8859-1@euro");
    EXPECT_EQ(Locale::fromEnvironment().identifier(), "fr_FR");
  }
  {
    ScopedEnvironment posix("LC_TIME", "C.UTF-8");
    EXPECT_EQ(Locale::fromEnvironment().identifier(), "en_US_POSIX");
  }
}

TEST(LocaleTest, PinsNestAndUnwind) {
  std::optional<Locale> before = Locale::pinned();
  {
    testing::PinnedLocale outer("en_GB", "Europe/London");
    EXPECT_EQ(Locale::current().identifier(), "en_GB");
    EXPECT_EQ(TimeZone::current().identifier(), "Europe/London");
    {
      testing::PinnedLocale inner("en_US", "America/New_York");
      EXPECT_EQ(Locale::current().identifier(), "en_US");
      EXPECT_EQ(TimeZone::current().identifier(), "America/New_York");
    }
    EXPECT_EQ(Locale::current().identifier(), "en_GB");
    EXPECT_EQ(TimeZone::current().identifier(), "Europe/London");
  }
  EXPECT_EQ(Locale::pinned(), before);
  EXPECT_FALSE(TimeZone::pinned());
}

TEST(TimeZoneTest, UnknownZonesAreRefused) {
  EXPECT_FALSE(TimeZone::named("Nowhere/Land"));
  EXPECT_FALSE(TimeZone::named(""));
  ASSERT_TRUE(TimeZone::named("Asia/Tokyo"));
  EXPECT_EQ(TimeZone::named("Asia/Tokyo")->identifier(), "Asia/Tokyo");
}

}  // namespace
}  // namespace vigilix::platform
