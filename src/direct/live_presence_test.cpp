#include "direct/live_presence.h"

#include <gtest/gtest.h>

namespace vigilix {
namespace {

TEST(LivePresenceTest, OnlyAnUnreadableLidKeepsThePointerStill) {
  using platform::LidPresence;
  struct Row {
    const char* name;
    platform::LidReading reading;
    std::optional<bool> closedGate;
  };
  const Row rows[] = {
      {"a lid, open", {LidPresence::hasLid, false}, false},
      {"a lid, closed", {LidPresence::hasLid, true}, true},
      {"no lid: counts as open", {LidPresence::noLid, std::nullopt}, false},
      {"a lid whose state UPower does not give", {LidPresence::hasLid, std::nullopt}, std::nullopt},
      {"no UPower", {LidPresence::unknown, std::nullopt}, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(lidClosedGate(VGXLivePresence::lidReading(row.reading)), row.closedGate);
  }
}

}  // namespace
}  // namespace vigilix
