#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sleepguard/core/guard_records.h"
#include "sleepguard/installer/installer_system.h"

namespace vigilix {

// Installs, updates and removes the guard in transactions that survive a
// crash: what must outlive the process is "maintenance.json" (the operation
// and the phase it reached, written before the step it names) and
// "install.json". An update that fails is rolled back; one interrupted by a
// crash is finished or undone by `resume`. Keeps no state between calls; one
// thread at a time (the installer's queue).
class VGXInstallerEngine {
 public:
  enum class Plan { fresh, current, update };

  explicit VGXInstallerEngine(VGXInstallerSystem& system) : system_(system) {}

  // For the calling user; refuses while a transaction is pending or another
  // user holds the guard.
  VGXInstallerResult install(std::uint32_t uid);
  VGXInstallerResult uninstall(std::uint32_t uid);
  // Finishes or undoes an interrupted transaction; success when there was none.
  VGXInstallerResult resume();

 private:
  template <class Body>
  VGXInstallerResult enter(std::uint32_t uid, Body body);
  VGXInstallerResult installBody();
  VGXInstallerResult firstInstallation(const std::string& expected);
  VGXInstallerResult cleanUpFirstInstallation(const std::string& detail);
  VGXInstallerResult currentCheck(const std::string& expected);
  VGXInstallerResult update(const std::string& expected);
  VGXInstallerResult rollBack(const std::string& detail, std::string_view phase, bool resuming);
  VGXInstallerResult uninstallBody();
  VGXInstallerResult finishUninstall();
  VGXInstallerResult cancelUninstall(const std::string& detail, bool resuming);
  VGXInstallerResult resumeAppMissing();

  // Runs a body answering a result under the maintenance lock; the lock's
  // failure or the body's.
  template <class Body>
  VGXInstallerResult locked(Body body);
  VGXInstallerResult writeRecord(const std::string& txID, Maintenance::Operation op,
                                 std::string_view phase);
  VGXInstallerResult assertOwnsRecord(const std::string& txID);
  VGXInstallerResult removeRecord();
  bool journalAbsent();

  VGXInstallerSystem& system_;
};

// The phases of an update, in order; a phase's place decides what a roll-back undoes.
inline constexpr std::string_view kUpdatePhases[] = {"recorded", "drained",      "bootedOut",
                                                     "replaced", "bootstrapped", "verified"};

}  // namespace vigilix
