#include "platform/base/uuid.h"

#include <gtest/gtest.h>

#include <set>
#include <unordered_set>

namespace vigilix::platform {
namespace {

constexpr const char* kSample = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";

TEST(UUIDTest, TextRoundTripsInUpperCase) {
  auto parsed = UUID::fromString(kSample);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->uuidString(), kSample);
  EXPECT_EQ(parsed->bytes()[0], 0xE6);
  EXPECT_EQ(parsed->bytes()[15], 0x5F);

  auto lower = UUID::fromString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
  ASSERT_TRUE(lower.has_value());
  EXPECT_EQ(*lower, *parsed);
  EXPECT_EQ(lower->uuidString(), kSample);
}

TEST(UUIDTest, RefusesAnythingButTheCanonicalForm) {
  for (const char* bad :
       {"", "E621E1F8C36C495A93FC0C247A3E6E5F", "{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}",
        "E621E1F8-C36C-495A-93FC-0C247A3E6E5", "E621E1F8-C36C-495A-93FC-0C247A3E6E5FF",
        "E621E1F8-C36C-495A-93FC_0C247A3E6E5F", "G621E1F8-C36C-495A-93FC-0C247A3E6E5F",
        " E621E1F8-C36C-495A-93FC-0C247A3E6E5F", "E621E1F-8C36C-495A-93FC-0C247A3E6E5F"}) {
    EXPECT_FALSE(UUID::fromString(bad).has_value()) << bad;
  }
}

TEST(UUIDTest, GeneratedIdentifiersAreRandomVersionFourAndDistinct) {
  std::set<UUID> seen;
  for (int i = 0; i < 64; ++i) {
    UUID id = UUID::generate();
    EXPECT_EQ(id.bytes()[6] >> 4, 4);       // version
    EXPECT_EQ(id.bytes()[8] & 0xC0, 0x80);  // RFC 4122 variant
    EXPECT_EQ(UUID::fromString(id.uuidString()), id);
    seen.insert(id);
  }
  EXPECT_EQ(seen.size(), 64u);
}

TEST(UUIDTest, OrderingAndHashFollowTheBytes) {
  UUID zero;
  EXPECT_EQ(zero.uuidString(), "00000000-0000-0000-0000-000000000000");
  auto a = *UUID::fromString("00000000-0000-0000-0000-000000000001");
  auto b = *UUID::fromString("00000000-0000-0000-0000-000000000100");
  EXPECT_LT(zero, a);
  EXPECT_LT(a, b);
  EXPECT_NE(a, b);
  std::unordered_set<UUID> set{a, b, *UUID::fromString("00000000-0000-0000-0000-000000000001")};
  EXPECT_EQ(set.size(), 2u);
}

}  // namespace
}  // namespace vigilix::platform
