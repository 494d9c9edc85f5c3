#include "platform/ipc/refusal_log.h"

#include <iterator>

namespace vigilix::platform {

void RefusalLog::refuse(const std::optional<PeerCredentials>& peer, std::string_view reason,
                        std::uint64_t now) {
  const std::int64_t user = peer ? static_cast<std::int64_t>(peer->uid) : -1;
  auto key = std::make_pair(user, std::string(reason));
  auto found = entries_.find(key);
  if (found != entries_.end() && now >= found->second.loggedAt &&
      now - found->second.loggedAt < kQuietNanoseconds) {
    ++found->second.leftOut;
    return;
  }
  const std::uint64_t leftOut = found == entries_.end() ? 0 : found->second.leftOut;
  if (found == entries_.end() && entries_.size() >= kRemembered) {
    std::erase_if(entries_, [now](const auto& entry) {
      return now < entry.second.loggedAt || now - entry.second.loggedAt >= kQuietNanoseconds;
    });
    if (entries_.size() >= kRemembered) entries_.erase(entries_.begin());
  }
  entries_[std::move(key)] = Entry{now, 0};
  const std::string more = leftOut > 0 ? fmt::format(" ({} more since)", leftOut) : "";
  if (peer) {
    logger_.log("refused user {} (pid {}): {}{}", peer->uid, peer->pid, reason, more);
  } else {
    logger_.log("{}{}", reason, more);
  }
}

}  // namespace vigilix::platform
