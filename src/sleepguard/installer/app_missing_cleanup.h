#pragma once

#include <string>

#include "sleepguard/core/sleep_guard_core.h"
#include "sleepguard/installer/app_missing_system.h"

namespace vigilix {

// Removes the guard by itself once the application is gone: the running
// guard's check records an app-missing uninstall in "maintenance.json", lets
// go of the sleep setting, starts the finisher and has the service manager
// stop it; the finisher waits for the stop, checks once more that the
// removal is still wanted and safe, and removes the guard's files. The
// maintenance lock keeps this and the installer's transactions apart.
class VGXAppMissingCleanup {
 public:
  static constexpr double kUnloadTimeoutSeconds = 30.0;

  VGXAppMissingCleanup(VGXSleepGuardCore& core, VGXAppMissingSystem& system)
      : core_(core), system_(system) {}

  // The guard's check every 60 s, on its state queue. Failures end the check;
  // the next one starts over.
  void check();

  // The finisher's work; true when the guard's files were removed.
  static bool finish(const std::string& transactionID, const std::string& installGeneration,
                     VGXAppMissingSystem& system);

 private:
  // The transaction this check carries on, or none when it must not go on.
  struct Begun {
    std::string transactionID;
    std::string installGeneration;
  };
  void checkWhilePresent();
  std::optional<Begun> begin();
  bool stillWanted(const std::string& transactionID);
  void abandon(const std::string& transactionID);

  VGXSleepGuardCore& core_;
  VGXAppMissingSystem& system_;
};

}  // namespace vigilix
