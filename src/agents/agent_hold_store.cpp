#include "agents/agent_hold_store.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace vigilix {

bool VGXAgentHoldStore::upsert(const std::string& id, const std::string& tool,
                               const std::optional<std::string>& corr, std::int64_t seq,
                               std::optional<std::int32_t> pid,
                               std::optional<std::int64_t> pidStart, platform::Date now,
                               double ttl) {
  // A hold without a real expiry would keep the machine awake for ever.
  const double effective = std::isnan(ttl) ? 1.0 : std::min(std::max(ttl, 1.0), maxTTL_);
  std::lock_guard lock(lock_);
  if (const auto stored = storage_.find(id); stored != storage_.end() && stored->second.seq > seq) {
    return false;
  }
  storage_.insert_or_assign(id, VGXAgentHold{id, tool, corr, seq, now + effective, pid, pidStart});
  if (std::ranges::find(toolOrder_, tool) == toolOrder_.end()) toolOrder_.push_back(tool);
  return true;
}

VGXAgentReleaseResult VGXAgentHoldStore::release(const std::string& id,
                                                 const std::optional<std::string>& corr,
                                                 std::int64_t seq) {
  std::lock_guard lock(lock_);
  const auto stored = storage_.find(id);
  if (stored == storage_.end()) return VGXAgentReleaseResult::notFound();
  const VGXAgentHold& hold = stored->second;
  if (!corr && !hold.corr) {
    // Tools that name no prompt (Claude Code, Cursor) end a turn by its seq alone: a release
    // counted before the hold is a late event of an earlier turn.
    if (seq < hold.seq) return VGXAgentReleaseResult::ignored("corr or seq mismatch");
  } else if (!corr || !hold.corr) {
    return VGXAgentReleaseResult::ignored("nil corr");
  } else if (*corr != *hold.corr || seq != hold.seq) {
    return VGXAgentReleaseResult::ignored("corr or seq mismatch");
  }
  storage_.erase(stored);
  pruneToolOrderLocked();
  return VGXAgentReleaseResult::released();
}

std::size_t VGXAgentHoldStore::releaseWithPrefix(const std::string& id) {
  std::lock_guard lock(lock_);
  return removeLocked([&id](const VGXAgentHold& hold) {
           return hold.id == id || (hold.id.size() > id.size() && hold.id.starts_with(id) &&
                                    hold.id[id.size()] == ':');
         })
      .size();
}

std::vector<std::string> VGXAgentHoldStore::releaseProcess(std::int32_t pid,
                                                           std::optional<std::int64_t> pidStart) {
  std::lock_guard lock(lock_);
  return removeLocked(
      [&](const VGXAgentHold& hold) { return hold.pid == pid && hold.pidStart == pidStart; });
}

std::vector<std::string> VGXAgentHoldStore::sweep(platform::Date now) {
  std::lock_guard lock(lock_);
  return removeLocked([now](const VGXAgentHold& hold) { return hold.expiresAt <= now; });
}

std::vector<TriggerReason> VGXAgentHoldStore::activeReasons() const {
  std::lock_guard lock(lock_);
  const auto holding = toolsHoldingLocked();
  std::vector<TriggerReason> reasons;
  for (const auto& tool : toolOrder_) {
    if (holding.contains(tool)) reasons.push_back(TriggerReason::agent(tool));
  }
  return reasons;
}

std::unordered_map<std::string, VGXAgentHold> VGXAgentHoldStore::snapshot() const {
  std::lock_guard lock(lock_);
  return storage_;
}

void VGXAgentHoldStore::removeAll() {
  std::lock_guard lock(lock_);
  storage_.clear();
  toolOrder_.clear();
}

template <typename Predicate>
std::vector<std::string> VGXAgentHoldStore::removeLocked(Predicate matches) {
  std::vector<std::string> removed;
  for (auto entry = storage_.begin(); entry != storage_.end();) {
    if (matches(entry->second)) {
      removed.push_back(entry->first);
      entry = storage_.erase(entry);
    } else {
      ++entry;
    }
  }
  pruneToolOrderLocked();
  return removed;
}

std::unordered_set<std::string> VGXAgentHoldStore::toolsHoldingLocked() const {
  std::unordered_set<std::string> holding;
  for (const auto& [id, hold] : storage_) holding.insert(hold.tool);
  return holding;
}

void VGXAgentHoldStore::pruneToolOrderLocked() {
  const auto holding = toolsHoldingLocked();
  std::erase_if(toolOrder_, [&](const std::string& tool) { return !holding.contains(tool); });
}

}  // namespace vigilix
