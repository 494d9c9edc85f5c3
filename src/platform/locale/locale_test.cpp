#include "platform/locale/locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/locale/host_time_zone.h"
#include "platform/locale/time_zone.h"
#include "testing/fake_proc_tree.h"
#include "testing/pinned_locale.h"
#include "testing/scoped_environment.h"

namespace vigilix::platform {
namespace {

using testing::ScopedEnvironment;
using namespace std::string_view_literals;

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

// The host's zone as TZ, /etc/localtime and /etc/timezone name it, under a temporary root
// that has two zones.
TEST(TimeZoneTest, TheHostsZoneIsReadFromTheSystemsFiles) {
  struct Row {
    const char* name;
    std::optional<std::string_view> tz;
    const char* link;                          // /etc/localtime's target; none: a copied file
    std::optional<std::string_view> timezone;  // /etc/timezone; none: absent
    std::optional<std::string> expected;
  };
  const Row rows[] = {
      {"the link's zone", std::nullopt, "/usr/share/zoneinfo/Europe/London", std::nullopt,
       "Europe/London"},
      {"a relative link", std::nullopt, "../usr/share/zoneinfo/Etc/UTC", std::nullopt, "Etc/UTC"},
      {"a link into the posix variants", std::nullopt, "/usr/share/zoneinfo/posix/Europe/London",
       std::nullopt, "Europe/London"},
      {"a link to no zone file", std::nullopt, "/usr/share/zoneinfo/Mars/Olympus", std::nullopt,
       std::nullopt},
      {"a link outside the zone folder", std::nullopt, "/tmp/zone", std::nullopt, std::nullopt},
      {"TZ wins over the link", "Etc/UTC", "/usr/share/zoneinfo/Europe/London", std::nullopt,
       "Etc/UTC"},
      {"TZ with a colon", ":Europe/London", nullptr, std::nullopt, "Europe/London"},
      {"TZ as a zone file", "/usr/share/zoneinfo/Europe/London", nullptr, std::nullopt,
       "Europe/London"},
      {"TZ as a rule is left to ICU", "CET-1CEST,M3.5.0,M10.5.0/3", nullptr, std::nullopt,
       std::nullopt},
      {"TZ climbing out of the zone folder", "../../etc/passwd", nullptr, std::nullopt,
       std::nullopt},
      {"a NUL inside the name", std::nullopt, nullptr, "Europe/London\0x\n"sv, std::nullopt},
      {"an empty TZ is left to ICU", "", "/usr/share/zoneinfo/Europe/London", std::nullopt,
       std::nullopt},
      {"a copied file: /etc/timezone", std::nullopt, nullptr, "Europe/London\n"sv, "Europe/London"},
      {"a copied file and no /etc/timezone", std::nullopt, nullptr, std::nullopt, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::FakeProcTree root;
    root.writeFile("usr/share/zoneinfo/Europe/London", "TZif");
    root.writeFile("usr/share/zoneinfo/posix/Europe/London", "TZif");
    root.writeFile("usr/share/zoneinfo/Etc/UTC", "TZif");
    root.writeFile("tmp/zone", "TZif");
    root.writeFile("etc/passwd", "root:x:0:0");
    if (row.link) {
      std::filesystem::create_symlink(row.link, root.pathFor("etc/localtime"));
    } else {
      root.writeFile("etc/localtime", "TZif");
    }
    if (row.timezone) root.writeFile("etc/timezone", *row.timezone);
    EXPECT_EQ(hostTimeZoneName(row.tz, root.root()), row.expected);
  }
}

}  // namespace
}  // namespace vigilix::platform
