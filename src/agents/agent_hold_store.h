#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "agents/agent_hold.h"
#include "platform/base/date.h"
#include "triggers/trigger_reason.h"

namespace vigilix {

// The agents' holds, in memory only, and the reasons they give: one
// `TriggerReason::agent(tool)` per tool holding anything, in the order tools
// first took a hold. Late or repeated hook events are harmless: an older seq
// never replaces a newer hold, and a release needs the hold's corr and seq, or, when neither
// names a corr, a seq at least the hold's.
// Every operation takes the store's own lock and calls nothing outside the
// store, so any thread may use it.
class VGXAgentHoldStore {
 public:
  explicit VGXAgentHoldStore(double maxTTL) : maxTTL_(maxTTL) {}
  VGXAgentHoldStore(const VGXAgentHoldStore&) = delete;
  VGXAgentHoldStore& operator=(const VGXAgentHoldStore&) = delete;

  // Stores the hold until `now` + `ttl` seconds, `ttl` kept within 1 s and
  // `maxTTL` (one that is not a number counts as 1 s). False, changing
  // nothing, when the stored hold of this id has a greater seq.
  bool upsert(const std::string& id, const std::string& tool,
              const std::optional<std::string>& corr, std::int64_t seq,
              std::optional<std::int32_t> pid, std::optional<std::int64_t> pidStart,
              platform::Date now, double ttl);
  VGXAgentReleaseResult release(const std::string& id, const std::optional<std::string>& corr,
                                std::int64_t seq);
  // Removes the hold `id` and every hold whose id is `id`, ":" and more;
  // returns how many.
  std::size_t releaseWithPrefix(const std::string& id);
  // Removes the holds of this process and start time (none matches only
  // holds taken without one); returns their ids.
  std::vector<std::string> releaseProcess(std::int32_t pid, std::optional<std::int64_t> pidStart);
  // Removes the holds expiring at or before `now`; returns their ids.
  std::vector<std::string> sweep(platform::Date now);
  std::vector<TriggerReason> activeReasons() const;
  std::unordered_map<std::string, VGXAgentHold> snapshot() const;
  void removeAll();

  double maxTTL() const { return maxTTL_; }

 private:
  template <typename Predicate>
  std::vector<std::string> removeLocked(Predicate matches);
  std::unordered_set<std::string> toolsHoldingLocked() const;
  void pruneToolOrderLocked();

  const double maxTTL_;
  mutable std::mutex lock_;
  std::unordered_map<std::string, VGXAgentHold> storage_;
  std::vector<std::string> toolOrder_;
};

}  // namespace vigilix
