#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "agents/agent_hold_store.h"
#include "agents/cli_v2_records.h"
#include "platform/runloop/dispatch_process_source.h"
#include "platform/runloop/run_loop.h"
#include "triggers/trigger_reason.h"

namespace vigilix {

// The application's side of agent holds: answers `hold`, `release` and
// `holds` from the protocol server's registry, keeps the holds in its store,
// ends them when their agent process exits or they expire (swept every 15 s),
// drops them all while managed policy disables agent hooks, and after every
// change hands the store's agent reasons to `onChange`.
//
// Main thread only (handlers, the sweep timer and the process sources all run
// there). Owned by a shared_ptr: its handlers, timer and sources hold it
// weakly. `onChange` is called with no lock held.
class VGXAgentHoldController : public std::enable_shared_from_this<VGXAgentHoldController> {
 public:
  using PolicyDenied = std::function<bool()>;
  using OnChange = std::function<void(const std::vector<TriggerReason>&)>;

  static constexpr double sweepInterval = 15.0;
  static constexpr double longTTL = 3600;  // for "cursor" and "gemini"
  static constexpr double defaultTTL = 600;

  VGXAgentHoldController(std::shared_ptr<VGXAgentHoldStore> store, PolicyDenied isPolicyDenied,
                         OnChange onChange);
  // Invalidates the timer and cancels every process source.
  ~VGXAgentHoldController();
  VGXAgentHoldController(const VGXAgentHoldController&) = delete;
  VGXAgentHoldController& operator=(const VGXAgentHoldController&) = delete;

  // True when the managed Boolean "VGXDisableAgentHooks" reads true.
  static bool defaultPolicyDenied();
  // The text of `id` before its first ":" (all of it without one).
  static std::string toolFromHoldID(std::string_view id);

  // Registers the three handlers and starts the sweep timer. Once.
  void start();
  // The body of the three handlers; the reply's epoch, gen, v and nonce are
  // left for the server to fill in.
  VGXCLIv2Reply handle(const VGXCLIv2Request& request);
  // Stops watching every agent process; the holds stay (keep-awake stopped).
  void cancelProcessSources();
  // Drops every hold and watch and publishes no reasons.
  void clearAll();
  // One sweep period: policy, then expiry.
  void tick();

  const VGXAgentHoldStore& store() const { return *store_; }

 private:
  VGXCLIv2Reply handleHolds() const;
  VGXCLIv2Reply handleRelease(const VGXCLIv2Request& request);
  VGXCLIv2Reply handleHold(const VGXCLIv2Request& request);
  void startExpiryTimer();
  void watchProcess(std::int32_t pid, std::optional<std::int64_t> pidStart);
  void processExited(std::int32_t pid, std::optional<std::int64_t> pidStart);
  void dropStaleProcessSources();
  void enforcePolicy();
  void publish();

  std::shared_ptr<VGXAgentHoldStore> store_;
  PolicyDenied isPolicyDenied_;
  OnChange onChange_;
  std::mutex lock_;
  std::unordered_map<std::int32_t, std::shared_ptr<platform::DispatchProcessSource>>
      processSources_;
  std::shared_ptr<platform::Timer> expiryTimer_;
};

}  // namespace vigilix
