#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "platform/defaults/plist_defaults_store.h"
#include "platform/defaults/property_list_codec.h"
#include "sleepguard/core/managed_policy_combiner.h"
#include "sleepguard/core/managed_policy_profile.h"
#include "sleepguard/core/managed_policy_source.h"
#include "testing/temporary_root.h"

namespace vigilix {
namespace {

namespace fs = std::filesystem;

VGXProfileRead rawProfile(std::string_view text) {
  return VGXProfileRead::data(platform::Bytes(text.begin(), text.end()));
}

// An XML profile holding `entries` in its top dictionary.
VGXProfileRead profile(std::string_view entries) {
  return rawProfile(R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" +
                    std::string(entries) + "</dict></plist>");
}

VGXGuardPolicy policyOf(bool disabled, std::int64_t floor, std::int64_t capHours) {
  return VGXGuardPolicy{disabled, floor, capHours * 3600, 86400};
}

TEST(GuardPolicyCombinerTest, TheStricterValueWinsAndABadProfileGivesNoPolicy) {
  struct Row {
    const char* name;
    VGXUserLidSettings settings;
    VGXProfileRead machine;
    VGXProfileRead user;
    std::optional<VGXGuardPolicy> expected;
  };
  const auto absent = VGXProfileRead::absent();
  const VGXUserLidSettings defaults = VGXUserLidSettings::defaultSettings();
  const Row rows[] = {
      {"nothing forced", defaults, absent, absent, policyOf(false, 30, 3)},
      {"user's choices kept", {45, 6}, absent, absent, policyOf(false, 45, 6)},
      {"user's choices out of range", {10, 5}, absent, absent, policyOf(false, 20, 3)},
      {"user's floor above the range", {95, 0}, absent, absent, policyOf(false, 60, 3)},
      {"highest floor of three",
       {30, 3},
       profile("<key>VGXClosedLidBatteryFloor</key><integer>50</integer>"),
       profile("<key>VGXClosedLidBatteryFloor</key><integer>40</integer>"),
       policyOf(false, 50, 3)},
      {"user profile's floor highest",
       {30, 3},
       profile("<key>VGXClosedLidBatteryFloor</key><integer>25</integer>"),
       profile("<key>VGXClosedLidBatteryFloor</key><integer>55</integer>"),
       policyOf(false, 55, 3)},
      {"managed floor clamped",
       {30, 3},
       profile("<key>VGXClosedLidBatteryFloor</key><integer>90</integer>"),
       absent,
       policyOf(false, 60, 3)},
      {"managed cap clamped but the user's shorter",
       {30, 2},
       profile("<key>VGXClosedLidBatteryCapHours</key><integer>8</integer>"),
       absent,
       policyOf(false, 30, 2)},
      {"managed cap shorter than the user's",
       {30, 6},
       profile("<key>VGXClosedLidBatteryCapHours</key><integer>4</integer>"),
       absent,
       policyOf(false, 30, 4)},
      {"managed cap below the range",
       {30, 6},
       absent,
       profile("<key>VGXClosedLidBatteryCapHours</key><integer>-3</integer>"),
       policyOf(false, 30, 1)},
      {"whole real accepted",
       {30, 3},
       profile("<key>VGXClosedLidBatteryFloor</key><real>35.0</real>"),
       absent,
       policyOf(false, 35, 3)},
      {"user profile disables", defaults, profile("<key>VGXDisableClosedLidMode</key><false/>"),
       profile("<key>VGXDisableClosedLidMode</key><true/>"), policyOf(true, 30, 3)},
      {"machine profile disables", defaults, profile("<key>VGXDisableClosedLidMode</key><true/>"),
       absent, policyOf(true, 30, 3)},
      {"other keys ignored", defaults, profile("<key>Other</key><string>x</string>"), absent,
       policyOf(false, 30, 3)},
      {"disable given as a number", defaults,
       profile("<key>VGXDisableClosedLidMode</key><integer>1</integer>"), absent, std::nullopt},
      {"floor given as a Boolean", defaults, absent,
       profile("<key>VGXClosedLidBatteryFloor</key><true/>"), std::nullopt},
      {"floor with a fraction", defaults,
       profile("<key>VGXClosedLidBatteryFloor</key><real>35.5</real>"), absent, std::nullopt},
      {"cap given as text", defaults, absent,
       profile("<key>VGXClosedLidBatteryCapHours</key><string>2</string>"), std::nullopt},
      {"unreadable machine profile", defaults, VGXProfileRead::unreadable(), absent, std::nullopt},
      {"unreadable user profile", defaults, absent, VGXProfileRead::unreadable(), std::nullopt},
      {"not a property list", defaults, rawProfile("{}"), absent, std::nullopt},
      {"array at the top", defaults, absent, rawProfile(R"(<plist version="1.0"><array/></plist>)"),
       std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXGuardPolicyCombiner::combine(row.settings, row.machine, row.user), row.expected);
  }
}

TEST(ProfileReadTest, LoadsOnlyRegularFilesWithinTheLimit) {
  testing::TemporaryRoot root;
  const auto path = root.path() / "profile.plist";
  auto put = [&](const std::string& contents) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
  };
  const std::string limit(kVGXProfileSizeLimit, 'p');
  struct Row {
    const char* name;
    std::function<void()> lay;
    VGXProfileRead expected;
  };
  const Row rows[] = {
      {"missing", [] {}, VGXProfileRead::absent()},
      {"exactly the limit", [&] { put(limit); },
       VGXProfileRead::data(platform::Bytes(limit.begin(), limit.end()))},
      {"over the limit", [&] { put(limit + "p"); }, VGXProfileRead::unreadable()},
      {"symbolic link",
       [&] {
         std::ofstream(root.path() / "real") << "x";
         fs::create_symlink(root.path() / "real", path);
       },
       VGXProfileRead::unreadable()},
      {"folder", [&] { fs::create_directory(path); }, VGXProfileRead::unreadable()},
      {"FIFO", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, VGXProfileRead::unreadable()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(path);
    row.lay();
    EXPECT_EQ(VGXProfileRead::load(path), row.expected);
  }
}

class ManagedPolicySourceTest : public ::testing::Test {
 protected:
  void putProfile(const std::string& folder, const platform::PropertyDictionary& values) {
    const fs::path dir = folder.empty() ? root_ : root_ / folder;
    fs::create_directories(dir);
    auto encoded = platform::encodePropertyList(values, platform::PropertyListFormat::Binary);
    ASSERT_TRUE(encoded.has_value());
    std::ofstream(dir / "run.tarvo.vigilix.plist", std::ios::binary | std::ios::trunc) << *encoded;
  }

  testing::TemporaryRoot tree;
  fs::path root_ = platform::managedPreferencesFolder();
  std::map<std::uint32_t, std::string> names_{{501, "ada"}, {502, "."}, {503, "a/b"}};
  VGXManagedPolicySource source{root_, [this](std::uint32_t uid) -> std::optional<std::string> {
                                  auto found = names_.find(uid);
                                  if (found == names_.end()) return std::nullopt;
                                  return found->second;
                                }};
};

TEST_F(ManagedPolicySourceTest, CombinesStoredSettingsWithTheUsersProfilesReadAfresh) {
  EXPECT_EQ(source.policy(501), policyOf(false, 30, 3));

  source.setSettings({40, 6}, 501);
  source.setSettings({10, 1}, 777);  // another user's settings stay apart
  putProfile("", {{"VGXClosedLidBatteryCapHours", 5}});
  EXPECT_EQ(source.policy(501), policyOf(false, 40, 5));

  putProfile("ada", {{"VGXClosedLidBatteryFloor", 50}, {"VGXDisableClosedLidMode", true}});
  EXPECT_EQ(source.policy(501), policyOf(true, 50, 5));

  putProfile("ada", {{"VGXDisableClosedLidMode", 1}});
  EXPECT_EQ(source.policy(501), std::nullopt);
}

TEST_F(ManagedPolicySourceTest, AUserWithoutASafeNameHasNoPolicy) {
  for (std::uint32_t uid : {502u, 503u, 504u}) {
    SCOPED_TRACE(uid);
    EXPECT_EQ(source.policy(uid), std::nullopt);
  }
}

TEST(SystemUsernameTest, LooksUpTheUserDatabase) {
  EXPECT_EQ(systemUsernameForUID(0), "root");
  EXPECT_EQ(systemUsernameForUID(4294967294u - 7), std::nullopt);
}

}  // namespace
}  // namespace vigilix
