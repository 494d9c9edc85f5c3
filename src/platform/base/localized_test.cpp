#include "platform/base/localized.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/base/shared_instances.h"

namespace vigilix::platform {
namespace {

class MapTable : public StringTable {
 public:
  explicit MapTable(std::map<std::string, std::string, std::less<>> entries)
      : entries_(std::move(entries)) {}
  std::optional<std::string> lookup(std::string_view key) const override {
    auto it = entries_.find(key);
    if (it == entries_.end()) return std::nullopt;
    return it->second;
  }

 private:
  std::map<std::string, std::string, std::less<>> entries_;
};

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
  setStringTable(
      std::make_shared<MapTable>(std::map<std::string, std::string, std::less<>>{{"Off", "Aus"}}));
  EXPECT_EQ(localized("Off", "control value"), "Aus");
  EXPECT_EQ(localized("On", "control value"), "On");
}

TEST_F(LocalizedTest, ResetOfSharedInstancesDropsTheTable) {
  setStringTable(
      std::make_shared<MapTable>(std::map<std::string, std::string, std::less<>>{{"Off", "Aus"}}));
  resetSharedInstances();
  EXPECT_EQ(localized("Off", "control value"), "Off");
}

}  // namespace
}  // namespace vigilix::platform
