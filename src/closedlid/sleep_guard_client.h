#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "closedlid/client_scheduling.h"
#include "closedlid/guard_transport.h"
#include "sleepguard/core/guard_values.h"

namespace vigilix {

// The battery floor and time cap sent with each hold.
struct VGXUserLidSettings {
  int batteryFloorPercent = 30;
  int batteryCapHours = 3;
  bool operator==(const VGXUserLidSettings&) const = default;
};

// The application's side of the lease with the root guard: while armed it
// holds a lease, renews it every 10 s (every third of a shorter lease),
// retries a refusal every 30 s, and it polls the guard's status every 10 s and
// reconnects after a loss. All state lives on the main thread; `setArmed` and
// `refreshStatus` may be called from any thread.
class VGXSleepGuardClient {
 public:
  struct Snapshot {
    bool ready = false;    // a connection is up
    bool holding = false;  // the guard granted or renewed our lease
    std::optional<VGXGuardError> lastError;
    std::optional<VGXGuardStatus> status;
    std::optional<std::string> executableSHA256;
    bool operator==(const Snapshot&) const = default;
  };

  static constexpr int kRenewSeconds = 10;
  static constexpr int kRetrySeconds = 30;
  static constexpr int kStatusSeconds = 10;
  static constexpr int kLongestBackoffSeconds = 30;

  using TransportFactory = std::function<std::unique_ptr<VGXGuardTransport>()>;

  // Connects at once.
  VGXSleepGuardClient(TransportFactory makeTransport, VGXClientScheduling& scheduler);
  ~VGXSleepGuardClient();
  VGXSleepGuardClient(const VGXSleepGuardClient&) = delete;
  VGXSleepGuardClient& operator=(const VGXSleepGuardClient&) = delete;

  void setArmed(bool armed, bool userInitiated, int batteryFloorPercent, int batteryCapHours);
  void refreshStatus();

  const Snapshot& snapshot() const { return snapshot_; }
  // Called with the whole snapshot after every change.
  std::function<void(const Snapshot&)> onChange;

  // The delay of the next reconnect.
  int backoffSeconds() const { return backoffSeconds_; }

 private:
  enum class Request { hold, renew };

  void connect();
  void connectionLost();
  void scheduleReconnect();
  void hold(bool userInitiated);
  void renew();
  void disarm();
  void scheduleRetry();
  void startStatusPolling();
  void sendStatus();
  void handleLeaseReply(Request request, const VGXGuardWire::Dictionary& reply);
  void handleStatusReply(const VGXGuardWire::Dictionary& reply);
  // Wraps a reply so that it runs on the main thread, only while this client
  // lives and its connection is the one the request went out on.
  VGXGuardTransport::Reply onMain(std::function<void(const VGXGuardWire::Dictionary&)> handle);
  VGXGuardTransport::Handler lossHandler();
  void changed();

  Snapshot snapshot_;
  TransportFactory makeTransport_;
  VGXClientScheduling& scheduler_;
  std::unique_ptr<VGXGuardTransport> transport_;
  bool armed_ = false;
  VGXUserLidSettings settings_;
  std::optional<std::string> token_;
  std::uint64_t epoch_ = 0;
  int backoffSeconds_ = 1;
  std::unique_ptr<VGXCancellable> reconnectTask_;
  std::unique_ptr<VGXCancellable> renewTask_;
  std::unique_ptr<VGXCancellable> retryTask_;
  std::unique_ptr<VGXCancellable> statusTask_;
  bool didReholdAfterStale_ = false;
  // Late replies and handlers hold this weakly.
  std::shared_ptr<VGXSleepGuardClient*> self_;
};

}  // namespace vigilix
