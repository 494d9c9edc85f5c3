#include "triggers/trigger_reason.h"

#include <gtest/gtest.h>

#include <unordered_set>
#include <vector>

namespace vigilix {
namespace {

using Kind = TriggerReason::Kind;

TEST(TriggerReasonEquality, PayloadIsComparedAsExactText) {
  EXPECT_EQ(TriggerReason::appRunning("com.example.Editor"),
            TriggerReason::appRunning("com.example.Editor"));
  EXPECT_NE(TriggerReason::appRunning("com.example.Editor"),
            TriggerReason::appRunning("com.example.editor"));
  EXPECT_NE(TriggerReason::appRunning("com.example.Editor"),
            TriggerReason::appRunning("com.example.Editor "));
}

TEST(TriggerReasonEquality, SamePayloadInDifferentCasesDiffers) {
  EXPECT_NE(TriggerReason::appRunning("com.example.Player"),
            TriggerReason::watchedApp("com.example.Player"));
  EXPECT_NE(TriggerReason::watchedFile("Office"), TriggerReason::wifiNetwork("Office"));
  EXPECT_NE(TriggerReason::agent(""), TriggerReason::powerAdapter());
}

TEST(TriggerReasonEquality, CasesWithoutPayloadEqualThemselvesOnly) {
  const std::vector<TriggerReason> plain = {
      TriggerReason::powerAdapter(), TriggerReason::externalDisplay(),
      TriggerReason::inCall(),       TriggerReason::audioPlaying(),
      TriggerReason::diskActivity(), TriggerReason::networkActivity(),
      TriggerReason::cpuUsage(),     TriggerReason::schedule(),
      TriggerReason::focus(),        TriggerReason::timeMachine(),
  };
  for (std::size_t i = 0; i < plain.size(); ++i) {
    for (std::size_t j = 0; j < plain.size(); ++j) {
      EXPECT_EQ(plain[i] == plain[j], i == j) << i << " vs " << j;
    }
    EXPECT_TRUE(plain[i].payload().empty());
  }
  EXPECT_EQ(TriggerReason::powerAdapter(), TriggerReason::powerAdapter());
}

TEST(TriggerReasonPayload, CarriesTheGivenTextAndKind) {
  const auto wifi = TriggerReason::wifiNetwork("Home 5G");
  EXPECT_EQ(wifi.kind(), Kind::wifiNetwork);
  EXPECT_EQ(wifi.payload(), "Home 5G");
  EXPECT_EQ(TriggerReason::agent("claude").kind(), Kind::agent);
  EXPECT_EQ(TriggerReason::watchedFile("report.zip").payload(), "report.zip");
  EXPECT_TRUE(TriggerReason::kindHasPayload(Kind::watchedApp));
  EXPECT_FALSE(TriggerReason::kindHasPayload(Kind::timeMachine));
}

TEST(TriggerReasonHash, EqualReasonsCollapseInASet) {
  std::unordered_set<TriggerReason> set;
  set.insert(TriggerReason::appRunning("a"));
  set.insert(TriggerReason::appRunning("a"));
  set.insert(TriggerReason::appRunning("A"));
  set.insert(TriggerReason::watchedApp("a"));
  set.insert(TriggerReason::powerAdapter());
  set.insert(TriggerReason::powerAdapter());
  EXPECT_EQ(set.size(), 4u);
  EXPECT_EQ(set.count(TriggerReason::appRunning("A")), 1u);
  EXPECT_EQ(set.count(TriggerReason::wifiNetwork("a")), 0u);
}

}  // namespace
}  // namespace vigilix
