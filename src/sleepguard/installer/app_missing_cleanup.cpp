#include "sleepguard/installer/app_missing_cleanup.h"

#include "sleepguard/installer/installer_records.h"

namespace vigilix {
namespace {

using Kind = AppMissingRecord::Kind;
using Operation = Maintenance::Operation;

bool isAppMissing(const AppMissingRecord& read) {
  return read.kind == Kind::value && read.record.op == Operation::appMissingUninstall;
}

}  // namespace

void VGXAppMissingCleanup::check() {
  if (system_.appIsPresent()) {
    checkWhilePresent();
    return;
  }
  const auto begun = begin();
  if (!begun) return;
  if (!core_.shutdown()) {
    abandon(begun->transactionID);
    return;
  }
  if (!stillWanted(begun->transactionID)) {
    core_.endDrain();
    return;
  }
  if (!system_.spawnFinisher(begun->transactionID, begun->installGeneration)) {
    abandon(begun->transactionID);
    return;
  }
  // The service manager now stops this process; the finisher carries on. A
  // failed stop leaves both, and the next check resumes the same record.
  (void)system_.bootOutGuard();
}

void VGXAppMissingCleanup::checkWhilePresent() {
  bool removed = false;
  (void)system_.withMaintenanceLock([&] {
    if (isAppMissing(readMaintenanceRecord(system_.store()))) {
      removed = system_.store().remove(VGXGuardFile::maintenance()).has_value();
    }
  });
  if (removed) core_.endDrain();
}

std::optional<VGXAppMissingCleanup::Begun> VGXAppMissingCleanup::begin() {
  std::optional<Begun> begun;
  const auto held = system_.withMaintenanceLock([&] {
    const std::string generation = readInstallGeneration(system_.store());
    const AppMissingRecord read = readMaintenanceRecord(system_.store());
    if (read.kind == Kind::absent) {
      const Maintenance record{system_.newTransactionID(), Operation::appMissingUninstall,
                               "released", generation};
      const auto encoded = encodeMaintenance(record);
      if (encoded && system_.store().write(VGXGuardFile::maintenance(), *encoded)) {
        begun = Begun{record.txID, generation};
      }
      return;
    }
    // An installer transaction under way, or a record nobody can read, blocks.
    if (!isAppMissing(read)) return;
    begun = Begun{read.record.txID, read.record.installGeneration.value_or(generation)};
  });
  if (!held) return std::nullopt;
  return begun;
}

bool VGXAppMissingCleanup::stillWanted(const std::string& transactionID) {
  bool wanted = false;
  (void)system_.withMaintenanceLock([&] {
    const AppMissingRecord read = readMaintenanceRecord(system_.store());
    if (read.kind != Kind::value || read.record.txID != transactionID) return;
    const bool appMissing = read.record.op == Operation::appMissingUninstall;
    if (appMissing && !system_.appIsPresent()) {
      wanted = true;
      return;
    }
    (void)system_.store().remove(VGXGuardFile::maintenance());
  });
  return wanted;
}

void VGXAppMissingCleanup::abandon(const std::string& transactionID) {
  (void)system_.withMaintenanceLock([&] {
    const AppMissingRecord read = readMaintenanceRecord(system_.store());
    if (read.kind == Kind::value && read.record.txID == transactionID) {
      (void)system_.store().remove(VGXGuardFile::maintenance());
    }
  });
  core_.endDrain();
}

bool VGXAppMissingCleanup::finish(const std::string& transactionID,
                                  const std::string& installGeneration,
                                  VGXAppMissingSystem& system) {
  if (!system.waitForGuardUnloaded(kUnloadTimeoutSeconds)) return false;
  bool removed = false;
  const auto held = system.withMaintenanceLock([&] {
    const AppMissingRecord read = readMaintenanceRecord(system.store());
    if (!isAppMissing(read) || read.record.txID != transactionID) return;
    // A guard installed again since the record was written is left alone.
    if (readInstallGeneration(system.store()) != installGeneration) return;
    if (system.appIsPresent() || !system.noGuardProcessesRemain()) return;
    if (system.store().read(VGXGuardFile::journal()).kind == VGXFileRead::Kind::absent) {
      removed = system.removeGuardFiles().has_value();
      return;
    }
    // The guard settles its journal when it starts; its next check resumes.
    (void)system.bootstrapGuard();
  });
  return held && removed;
}

}  // namespace vigilix
