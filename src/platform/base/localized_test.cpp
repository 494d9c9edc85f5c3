#include "platform/base/localized.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/base/shared_instances.h"
#include "testing/map_string_table.h"

namespace vigilix::platform {
namespace {

using testing::MapStringTable;

class LocalizedTest : public ::testing::Test {
 protected:
  void TearDown() override { setStringTable(nullptr); }
};

TEST_F(LocalizedTest, EnglishTextIsShownWithoutATable) {
  EXPECT_EQ(localized("Keep-awake stopped", "Protection-lost notification title"),
            "Keep-awake stopped");
  EXPECT_EQ(localized("", "empty"), "");
}

TEST_F(LocalizedTest, TableEntriesReplaceTheKeyAndMissingOnesFallBack) {
  setStringTable(std::make_shared<MapStringTable>(MapStringTable::Entries{{"Off", "Aus"}}));
  EXPECT_EQ(localized("Off", "control value"), "Aus");
  EXPECT_EQ(localized("On", "control value"), "On");
}

TEST_F(LocalizedTest, ResetOfSharedInstancesDropsTheTable) {
  setStringTable(std::make_shared<MapStringTable>(MapStringTable::Entries{{"Off", "Aus"}}));
  resetSharedInstances();
  EXPECT_EQ(localized("Off", "control value"), "Off");
}

}  // namespace
}  // namespace vigilix::platform
