#include "agents/cli_v2_server.h"

#include <algorithm>
#include <utility>

#include "agents/cli_v2_codec.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix {

VGXCLIv2Server::VGXCLIv2Server(std::optional<std::string> epoch, Generation generation)
    : epoch_(epoch ? std::move(*epoch) : launchEpoch()), generation_(std::move(generation)) {}

void VGXCLIv2Server::Waiter::finish(const std::optional<std::string>& reply) {
  if (claimed.exchange(true)) return;
  if (semaphore) semaphore->signal();
  if (done) done(reply);
}

VGXCLIv2Server::Entry VGXCLIv2Server::enter(const std::string& nonce, platform::Date now,
                                            const std::shared_ptr<Waiter>& waiter,
                                            std::optional<std::string>& cached) {
  std::lock_guard guard(lock_);
  dropStaleLocked(now);
  if ((cached = cachedLocked(nonce))) return Entry::answered;
  if (!inFlight_.contains(nonce)) {
    inFlight_.insert(nonce);
    return Entry::first;
  }
  auto& waiting = inFlightWaiters_[nonce];
  if (waiting.size() >= maxWaitersPerNonce) return Entry::refused;
  waiting.push_back(waiter);
  return Entry::waiting;
}

std::optional<std::string> VGXCLIv2Server::handle(std::string_view text, platform::Date now) {
  const auto request = VGXCLIv2Codec::decodeRequest(text);
  if (!request) return std::nullopt;
  auto waiter = std::make_shared<Waiter>();
  waiter->semaphore = std::make_shared<platform::DispatchSemaphore>();
  std::optional<std::string> cached;
  switch (enter(request->nonce, now, waiter, cached)) {
    case Entry::answered:
      return cached;
    case Entry::refused:
      return std::nullopt;
    case Entry::first:
      return answerFirst(*request, now);
    case Entry::waiting:
      break;
  }
  if (!waiter->semaphore->wait(waiterTimeoutSeconds)) return std::nullopt;
  std::lock_guard guard(lock_);
  dropStaleLocked(now);
  return cachedLocked(request->nonce);
}

void VGXCLIv2Server::handle(const VGXCLIv2Request& request, platform::Date now, Completion done) {
  auto waiter = std::make_shared<Waiter>();
  waiter->done = std::move(done);
  std::optional<std::string> cached;
  switch (enter(request.nonce, now, waiter, cached)) {
    case Entry::answered:
      waiter->finish(cached);
      return;
    case Entry::refused:
      waiter->finish(std::nullopt);
      return;
    case Entry::first:
      waiter->finish(answerFirst(request, now));
      return;
    case Entry::waiting:
      // Holds only the waiter: the server may be gone by then.
      platform::DispatchQueue::main().asyncAfter(waiterTimeoutSeconds,
                                                 [waiter] { waiter->finish(std::nullopt); });
      return;
  }
}

std::optional<std::string> VGXCLIv2Server::answerFirst(const VGXCLIv2Request& request,
                                                       platform::Date now) {
  auto encoded = respond(request);
  store(request.nonce, encoded, now);
  return encoded;
}

void VGXCLIv2Server::store(const std::string& nonce, const std::optional<std::string>& encoded,
                           platform::Date now) {
  std::vector<std::shared_ptr<Waiter>> waiting;
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
  // Blocked threads read the cache; completions are handed the answer.
  for (const auto& waiter : waiting) waiter->finish(encoded);
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
