#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "closedlid/closed_lid_controller.h"
#include "closedlid/lid_helper.h"
#include "closedlid/lid_helper_link.h"
#include "closedlid/sleep_guard_client.h"
#include "closedlid/sleep_guard_client_link.h"
#include "closedlid/unit_registry.h"
#include "platform/base/observer_token.h"
#include "platform/power/lid_watcher.h"
#include "platform/power/session_locker.h"

namespace vigilix {

// What the controller drives, in the order they are made (each may use the
// ones before it).
struct VGXClosedLidParts {
  std::unique_ptr<VGXClientScheduling> scheduler;
  std::unique_ptr<VGXUnitRegistry> units;
  std::unique_ptr<VGXLidHelping> helper;
  std::unique_ptr<VGXSleepGuardClient> client;
  std::unique_ptr<platform::VGXLidWatcher> lid;
  // None: the session is not locked when the lid closes (no system bus).
  std::unique_ptr<platform::SessionLocker> locker;
};

// The machine's own: the guard's and the installer's sockets, systemd,
// UPower and logind on the system bus. Without a system bus the lid reads
// unknown, which keeps closed-lid mode from being offered.
VGXClosedLidParts liveClosedLidParts();

// The closed-lid controller together with its parts, kept for the life of
// the program: it follows the lid, the guard client, the named notifications
// and the defaults, and polls the approval of the installer while the
// controller waits for it. Main thread.
class VGXClosedLidFeature : public std::enable_shared_from_this<VGXClosedLidFeature> {
 public:
  static constexpr int kApprovalPollSeconds = 1;

  // `inputs.lid` and `effects.lockSession` come from the parts.
  static std::shared_ptr<VGXClosedLidFeature> make(platform::UserDefaults& defaults,
                                                   VGXClosedLidParts parts,
                                                   VGXClosedLidInputs inputs,
                                                   VGXClosedLidEffects effects);

  // The first call starts following the lid, the client, `recomputeOn` and
  // the defaults; every call decides again.
  void install(const std::vector<const char*>& recomputeOn);
  bool isInstalled() const { return installed_; }

  VGXClosedLidController& controller() { return *controller_; }
  VGXClosedLidHelperLink& helper() { return helperLink_; }
  const VGXSleepGuardClient& client() const { return *parts_.client; }
  bool pollingApproval() const { return approvalTask_ != nullptr; }

 private:
  VGXClosedLidFeature(platform::UserDefaults& defaults, VGXClosedLidParts parts);
  void recomputeSoon();
  void followApproval();
  void logChange();

  platform::UserDefaults& defaults_;
  VGXClosedLidParts parts_;
  VGXLidHelperLink helperLink_;
  VGXSleepGuardClientLink clientLink_;
  std::unique_ptr<VGXClosedLidController> controller_;
  std::unique_ptr<VGXCancellable> approvalTask_;
  std::vector<platform::ObserverHandle> observers_;
  std::atomic<bool> recomputeScheduled_ = false;
  bool installed_ = false;
  std::string logged_;
};

}  // namespace vigilix
