#include "agents/agent_hold_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace vigilix {
namespace {

using platform::Date;

const Date kNow = Date::fromTimeIntervalSinceReferenceDate(800000000);

std::set<std::string> ids(const VGXAgentHoldStore& store) {
  std::set<std::string> held;
  for (const auto& [id, hold] : store.snapshot()) held.insert(id);
  return held;
}

std::set<std::string> asSet(const std::vector<std::string>& list) {
  return {list.begin(), list.end()};
}

bool take(VGXAgentHoldStore& store, const std::string& id, std::int64_t seq = 0, double ttl = 600,
          std::optional<std::string> corr = "c", std::optional<std::int32_t> pid = std::nullopt,
          std::optional<std::int64_t> pidStart = std::nullopt, const std::string& tool = "claude",
          Date now = kNow) {
  return store.upsert(id, tool, corr, seq, pid, pidStart, now, ttl);
}

TEST(VGXAgentHoldStoreTest, TimeToLiveIsKeptBetweenOneSecondAndTheLargest) {
  struct Row {
    const char* name;
    double ttl;
    double lives;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Row rows[] = {
      {"zero lives one second", 0, 1},
      {"negative lives one second", -30, 1},
      {"not a number lives one second", std::numeric_limits<double>::quiet_NaN(), 1},
      {"within bounds kept", 30.5, 30.5},
      {"over the largest capped", 100000, 86400},
      {"infinite capped", inf, 86400},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    VGXAgentHoldStore store(86400);
    ASSERT_TRUE(take(store, "h", 0, row.ttl));
    EXPECT_EQ(store.snapshot().at("h").expiresAt, kNow + row.lives);
    EXPECT_EQ(store.sweep(kNow + row.lives), std::vector<std::string>{"h"});
  }
}

TEST(VGXAgentHoldStoreTest, AnOlderSeqNeverReplacesAndAnEqualOneDoes) {
  VGXAgentHoldStore store(86400);
  EXPECT_TRUE(take(store, "h", 5, 100, "first", 42, 7));
  const VGXAgentHold first = store.snapshot().at("h");
  EXPECT_EQ(first, (VGXAgentHold{"h", "claude", "first", 5, kNow + 100, 42, 7}));

  EXPECT_FALSE(take(store, "h", 4, 900, "late", std::nullopt, std::nullopt, "codex", kNow + 50));
  EXPECT_EQ(store.snapshot().at("h"), first);
  EXPECT_EQ(store.activeReasons(), std::vector{TriggerReason::agent("claude")});

  EXPECT_TRUE(
      take(store, "h", 5, 900, std::nullopt, std::nullopt, std::nullopt, "codex", kNow + 50));
  EXPECT_EQ(store.snapshot().at("h"),
            (VGXAgentHold{"h", "codex", std::nullopt, 5, kNow + 950, std::nullopt, std::nullopt}));
  EXPECT_EQ(store.activeReasons(), std::vector{TriggerReason::agent("codex")});
}

TEST(VGXAgentHoldStoreTest, ReleaseNeedsTheHoldsCorrAndSeqOrWithoutCorrANewerSeq) {
  using Result = VGXAgentReleaseResult;
  struct Row {
    const char* name;
    std::optional<std::string> storedCorr;
    std::string id;
    std::optional<std::string> corr;
    std::int64_t seq;
    Result result;
  };
  const Row rows[] = {
      {"matching corr and seq", "k", "h", "k", 3, Result::released()},
      {"no such id", "k", "other", "k", 3, Result::notFound()},
      {"request without corr", "k", "h", std::nullopt, 3, Result::ignored("nil corr")},
      {"hold taken without corr", std::nullopt, "h", "k", 3, Result::ignored("nil corr")},
      {"other corr", "k", "h", "j", 3, Result::ignored("corr or seq mismatch")},
      {"other seq", "k", "h", "k", 4, Result::ignored("corr or seq mismatch")},
      {"no corr, the turn's own seq", std::nullopt, "h", std::nullopt, 3, Result::released()},
      {"no corr, a newer seq", std::nullopt, "h", std::nullopt, 4, Result::released()},
      {"no corr, a late stop of an earlier turn", std::nullopt, "h", std::nullopt, 2,
       Result::ignored("corr or seq mismatch")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    VGXAgentHoldStore store(86400);
    take(store, "h", 3, 600, row.storedCorr);
    EXPECT_EQ(store.release(row.id, row.corr, row.seq), row.result);
    const bool released = row.result == Result::released();
    EXPECT_EQ(ids(store).size(), released ? 0u : 1u);
    EXPECT_EQ(store.activeReasons().empty(), released);
  }
  VGXAgentHoldStore store(86400);
  take(store, "h", 3, 600, "k");
  EXPECT_EQ(store.release("h", "k", 3), Result::released());
  EXPECT_EQ(store.release("h", "k", 3), Result::notFound());
}

TEST(VGXAgentHoldStoreTest, PrefixReleaseTakesTheIdAndItsColonSuffixesOnly) {
  struct Row {
    const char* name;
    std::string released;
    std::set<std::string> left;
  };
  const std::vector<std::string> held = {"s", "s:1", "s:1:x", "s::", "s1", "sx:1", "t:s"};
  const Row rows[] = {
      {"the id and every suffix", "s", {"s1", "sx:1", "t:s"}},
      {"a longer id keeps its shorter parent", "s:1", {"s", "s::", "s1", "sx:1", "t:s"}},
      {"no such id removes nothing", "q", {"s", "s:1", "s:1:x", "s::", "s1", "sx:1", "t:s"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    VGXAgentHoldStore store(86400);
    for (const auto& id : held) take(store, id, 9, 600, std::nullopt);
    EXPECT_EQ(store.releaseWithPrefix(row.released), held.size() - row.left.size());
    EXPECT_EQ(ids(store), row.left);
  }
}

TEST(VGXAgentHoldStoreTest, ProcessReleaseMatchesPidAndStartTime) {
  struct Row {
    const char* name;
    std::int32_t pid;
    std::optional<std::int64_t> pidStart;
    std::set<std::string> removed;
  };
  const Row rows[] = {
      {"with a start time", 7, 100, {"p7s100", "p7s100b"}},
      {"without a start time: only holds taken without one", 7, std::nullopt, {"p7"}},
      {"another start time", 7, 300, {}},
      {"another process", 8, 100, {"p8s100"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    VGXAgentHoldStore store(86400);
    take(store, "p7s100", 0, 600, "c", 7, 100, "a");
    take(store, "p7s100b", 0, 600, "c", 7, 100, "b");
    take(store, "p7s200", 0, 600, "c", 7, 200, "a");
    take(store, "p7", 0, 600, "c", 7, std::nullopt, "a");
    take(store, "p8s100", 0, 600, "c", 8, 100, "a");
    take(store, "nopid", 0, 600, "c", std::nullopt, 100, "c");
    EXPECT_EQ(asSet(store.releaseProcess(row.pid, row.pidStart)), row.removed);
    for (const auto& id : row.removed) EXPECT_FALSE(ids(store).contains(id));
    EXPECT_EQ(ids(store).size(), 6 - row.removed.size());
    // "b" held only by p7s100; the others still hold something.
    const auto reasons = store.activeReasons();
    EXPECT_EQ(std::ranges::count(reasons, TriggerReason::agent("b")),
              row.removed.contains("p7s100b") ? 0 : 1);
  }
}

TEST(VGXAgentHoldStoreTest, SweepRemovesHoldsDueAtOrBeforeTheDate) {
  VGXAgentHoldStore store(86400);
  take(store, "ten", 0, 10);
  take(store, "twenty", 0, 20);
  EXPECT_TRUE(store.sweep(kNow + 9.999).empty());
  EXPECT_EQ(store.sweep(kNow + 10), std::vector<std::string>{"ten"});
  EXPECT_EQ(ids(store), std::set<std::string>{"twenty"});
  EXPECT_EQ(asSet(store.sweep(kNow + 1000)), std::set<std::string>{"twenty"});
  EXPECT_TRUE(store.activeReasons().empty());
}

TEST(VGXAgentHoldStoreTest, ReasonsFollowTheOrderToolsFirstHeld) {
  VGXAgentHoldStore store(86400);
  const auto agent = [](const char* tool) { return TriggerReason::agent(tool); };
  take(store, "x1", 0, 600, "c", {}, {}, "codex");
  take(store, "y1", 0, 600, "c", {}, {}, "claude");
  take(store, "x2", 0, 600, "c", {}, {}, "codex");
  EXPECT_EQ(store.activeReasons(), (std::vector{agent("codex"), agent("claude")}));
  EXPECT_EQ(store.releaseWithPrefix("x1") + store.releaseWithPrefix("x2"), 2u);
  EXPECT_EQ(store.activeReasons(), std::vector{agent("claude")});
  take(store, "x3", 0, 600, "c", {}, {}, "codex");
  EXPECT_EQ(store.activeReasons(), (std::vector{agent("claude"), agent("codex")}));
  store.removeAll();
  EXPECT_TRUE(store.snapshot().empty());
  EXPECT_TRUE(store.activeReasons().empty());
}

}  // namespace
}  // namespace vigilix
