#pragma once

#include <expected>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "closedlid/client_scheduling.h"
#include "closedlid/installer_transport.h"
#include "closedlid/lid_availability.h"
#include "closedlid/unit_registry.h"
#include "platform/runloop/dispatch_queue.h"
#include "sleepguard/common/installer_values.h"

namespace vigilix {

using VGXHelperRegistration = VGXLidRegistration;

struct VGXHelperFailure {
  std::string message;
  bool operator==(const VGXHelperFailure&) const = default;
};

using VGXHelperCompletion = std::function<void(std::expected<void, VGXHelperFailure>)>;

// What the closed-lid controller needs of the root installer.
class VGXLidHelping {
 public:
  virtual ~VGXLidHelping() = default;
  virtual VGXHelperRegistration registration() = 0;
  // Enables and starts the installer's socket; the service manager's refusal
  // otherwise. Blocks while polkit asks the user for an administrator
  // password: never call it on the main thread.
  virtual std::expected<void, VGXUnitError> registerDaemon() = 0;
  // The same on a queue of its own; `completion` runs on the main thread.
  virtual void registerDaemonInBackground(
      std::function<void(std::expected<void, VGXUnitError>)> completion) = 0;
  // The road to approval: asks for the authorization again, in the background.
  virtual void requestApproval() = 0;
  // Completion on the main thread, exactly once.
  virtual void install(VGXHelperCompletion completion) = 0;
  virtual void uninstall(VGXHelperCompletion completion) = 0;
};

// The application's handle on the installer: its socket unit stands for the
// registered daemon, and each request runs on a fresh connection with a
// time-out.
class VGXLidHelper final : public VGXLidHelping {
 public:
  static constexpr int kInstallSeconds = 60;
  static constexpr int kUninstallSeconds = 60;
  static constexpr int kStatusSeconds = 10;
  static constexpr double kRegistrationCacheSeconds = 1.0;
  static constexpr const char* kNoResponse = "The helper didn't respond.";
  static constexpr const char* kBadReply = "reply";

  using TransportFactory = std::function<std::unique_ptr<VGXInstallerTransport>()>;

  VGXLidHelper(TransportFactory makeTransport, VGXClientScheduling& scheduler,
               VGXUnitRegistry& units);

  // Any thread.
  VGXHelperRegistration registration() override;
  std::expected<void, VGXUnitError> registerDaemon() override;
  void registerDaemonInBackground(
      std::function<void(std::expected<void, VGXUnitError>)> completion) override;
  void requestApproval() override;
  void install(VGXHelperCompletion completion) override;
  void uninstall(VGXHelperCompletion completion) override;
  void status(std::function<void(std::expected<VGXInstallerStatus, VGXHelperFailure>)> completion);

 private:
  using Outcome = std::expected<VGXGuardWire::Dictionary, VGXHelperFailure>;
  void request(void (VGXInstallerTransport::*operation)(VGXInstallerTransport::Reply),
               int timeoutSeconds, std::function<void(const Outcome&)> decode);
  void emptyCache();

  TransportFactory makeTransport_;
  VGXClientScheduling& scheduler_;
  VGXUnitRegistry& units_;
  std::shared_ptr<platform::DispatchQueue> registering_;
  std::mutex registrationLock_;
  std::optional<std::pair<VGXHelperRegistration, double>> registrationCache_;
  // The last enabling was refused for want of authorization.
  bool approvalRefused_ = false;
};

}  // namespace vigilix
