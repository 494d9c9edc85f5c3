#include "agents/cli_v2_server.h"

#include <algorithm>
#include <utility>

#include "agents/cli_v2_codec.h"

namespace vigilix {

VGXCLIv2Server::VGXCLIv2Server(std::optional<std::string> epoch, Generation generation)
    : epoch_(epoch ? std::move(*epoch) : launchEpoch()), generation_(std::move(generation)) {}

std::optional<std::string> VGXCLIv2Server::handle(std::string_view text, platform::Date now) {
  const auto request = VGXCLIv2Codec::decodeRequest(text);
  if (!request) return std::nullopt;
  const std::string& nonce = request->nonce;

  std::shared_ptr<platform::DispatchSemaphore> waiter;
  {
    std::lock_guard guard(lock_);
    dropStaleLocked(now);
    if (auto cached = cachedLocked(nonce)) return cached;
    if (inFlight_.contains(nonce)) {
      auto& waiting = inFlightWaiters_[nonce];
      if (waiting.size() >= maxWaitersPerNonce) return std::nullopt;
      waiter = std::make_shared<platform::DispatchSemaphore>();
      waiting.push_back(waiter);
    } else {
      inFlight_.insert(nonce);
    }
  }

  if (waiter) {
    if (!waiter->wait(waiterTimeoutSeconds)) return std::nullopt;
    std::lock_guard guard(lock_);
    dropStaleLocked(now);
    return cachedLocked(nonce);
  }

  auto encoded = respond(*request);
  store(nonce, encoded, now);
  return encoded;
}

void VGXCLIv2Server::store(const std::string& nonce, const std::optional<std::string>& encoded,
                           platform::Date now) {
  std::vector<std::shared_ptr<platform::DispatchSemaphore>> waiting;
  {
    std::lock_guard guard(lock_);
    dropStaleLocked(now);
    if (encoded && !cache_.contains(nonce)) insertCachedLocked(nonce, *encoded, now);
    inFlight_.erase(nonce);
    if (auto entry = inFlightWaiters_.find(nonce); entry != inFlightWaiters_.end()) {
      waiting = std::move(entry->second);
      inFlightWaiters_.erase(entry);
    }
  }
  for (const auto& semaphore : waiting) semaphore->signal();
}

void VGXCLIv2Server::insertCachedLocked(const std::string& nonce, const std::string& encoded,
                                        platform::Date now) {
  const std::size_t added = encoded.size();
  while (!cache_.empty()) {
    if (cache_.size() < maxCachedReplies && cachedBytes_ + added <= maxCachedBytes) break;
    // The earliest handled goes first; among equal dates the first cached.
    auto oldest = std::min_element(cache_.begin(), cache_.end(), [](const auto& a, const auto& b) {
      return std::pair{a.second.at, a.second.sequence} < std::pair{b.second.at, b.second.sequence};
    });
    eraseLocked(oldest);
  }
  ++sequence_;
  cachedBytes_ += added;
  cache_.insert_or_assign(nonce, CachedReply{now, encoded, sequence_});
}

void VGXCLIv2Server::dropStaleLocked(platform::Date now) {
  for (auto entry = cache_.begin(); entry != cache_.end();) {
    if (now - entry->second.at < freshnessSeconds) {
      ++entry;
    } else {
      auto stale = entry++;
      eraseLocked(stale);
    }
  }
}

void VGXCLIv2Server::eraseLocked(std::unordered_map<std::string, CachedReply>::iterator entry) {
  cachedBytes_ -= entry->second.encoded.size();
  cache_.erase(entry);
}

std::optional<std::string> VGXCLIv2Server::cachedLocked(const std::string& nonce) const {
  if (auto entry = cache_.find(nonce); entry != cache_.end()) return entry->second.encoded;
  return std::nullopt;
}

}  // namespace vigilix
