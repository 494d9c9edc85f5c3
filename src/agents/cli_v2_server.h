#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "agents/cli_v2_records.h"
#include "platform/base/date.h"
#include "platform/runloop/dispatch_semaphore.h"

namespace vigilix {

// Answers each JSON request text of the command line once: decodes it, stamps
// every reply with the launch epoch and the stop generation, refuses stale
// holds, answers `epoch` itself and hands other verbs to the handler
// registered for them. A nonce answered less than 60 s ago gets the same text
// again without its handler running; a duplicate of a nonce still being
// answered waits up to 2.0 s (uptime) for that answer.
//
// `handle` may run on any thread. Its lock and the registry's lock are never
// held together, and handlers run with neither held, so a handler may take
// locks of its own. A duplicate waiting for an answer blocks its own thread
// in the form that answers a text; the form that takes a completion never
// blocks, so the main thread uses that one.
class VGXCLIv2Server {
 public:
  using Generation = std::function<std::int64_t()>;
  using Handler = std::function<VGXCLIv2Reply(const VGXCLIv2Request&)>;
  using Completion = std::function<void(std::optional<std::string> reply)>;

  struct CachedReply {
    platform::Date at;           // when the request was handled
    std::string encoded;         // the reply text exactly as returned
    std::uint64_t sequence = 0;  // breaks ties between equal dates
  };

  static constexpr double freshnessSeconds = 60;
  static constexpr std::size_t maxCachedReplies = 256;
  static constexpr std::size_t maxCachedBytes = 262144;  // UTF-8 bytes of all cached texts
  static constexpr std::size_t maxWaitersPerNonce = 4;
  static constexpr double waiterTimeoutSeconds = 2.0;
  static constexpr std::string_view fallbackMessage = "Reply exceeds protocol limits";

  // No epoch: the launch epoch. `generation` is read once per request.
  VGXCLIv2Server(std::optional<std::string> epoch, Generation generation);
  VGXCLIv2Server(const VGXCLIv2Server&) = delete;
  VGXCLIv2Server& operator=(const VGXCLIv2Server&) = delete;

  // A new UUID's upper-case text, made on first use and fixed for the life
  // of the process, so a tool holding an earlier launch's epoch is told apart.
  static const std::string& launchEpoch();

  // The process-wide registry shared by every server; replaces any earlier
  // handler of the verb; an empty handler stands for none. Any thread. (The test platform empties
  // it between tests.)
  static void registerHandler(VGXCLIv2Verb verb, Handler handler);

  const std::string& epoch() const { return epoch_; }

  // The reply text for a request text received at `now`, or nothing: for an
  // undecodable text, a fifth concurrent duplicate, a duplicate still
  // waiting after 2.0 s, or a reply that cannot be encoded even as the
  // fallback error.
  std::optional<std::string> handle(std::string_view text, platform::Date now);
  // The same answers for a request already decoded, handed to `done` instead
  // of waited for: at once when the answer is at hand; for a duplicate in
  // flight, when the first is answered (on its thread) or, with nothing,
  // after 2.0 s (on the main queue).
  void handle(const VGXCLIv2Request& request, platform::Date now, Completion done);

 private:
  static std::shared_ptr<const Handler> handlerFor(VGXCLIv2Verb verb);

  // A duplicate waiting for the answer to its nonce: a blocked thread, or a
  // completion that the answer or the time-out claims, whichever comes first.
  struct Waiter {
    std::shared_ptr<platform::DispatchSemaphore> semaphore;
    Completion done;
    std::atomic<bool> claimed = false;
    void finish(const std::optional<std::string>& reply);
  };
  enum class Entry { answered, waiting, refused, first };
  // Under the lock: the cached answer, a place among the waiters, or the
  // first place in flight.
  Entry enter(const std::string& nonce, platform::Date now, const std::shared_ptr<Waiter>& waiter,
              std::optional<std::string>& cached);
  std::optional<std::string> answerFirst(const VGXCLIv2Request& request, platform::Date now);
  std::optional<std::string> respond(const VGXCLIv2Request& request) const;
  void store(const std::string& nonce, const std::optional<std::string>& encoded,
             platform::Date now);
  void insertCachedLocked(const std::string& nonce, const std::string& encoded, platform::Date now);
  void dropStaleLocked(platform::Date now);
  void eraseLocked(std::unordered_map<std::string, CachedReply>::iterator entry);
  std::optional<std::string> cachedLocked(const std::string& nonce) const;

  const std::string epoch_;
  const Generation generation_;

  std::mutex lock_;
  std::unordered_map<std::string, CachedReply> cache_;
  std::size_t cachedBytes_ = 0;  // kept with the cache: the sum of its texts' bytes
  std::unordered_set<std::string> inFlight_;
  std::unordered_map<std::string, std::vector<std::shared_ptr<Waiter>>> inFlightWaiters_;
  std::uint64_t sequence_ = 0;
};

}  // namespace vigilix
