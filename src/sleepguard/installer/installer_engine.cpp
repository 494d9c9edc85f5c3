#include "sleepguard/installer/installer_engine.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "sleepguard/installer/installer_records.h"

namespace vigilix {

namespace {

using Operation = Maintenance::Operation;

VGXInstallerError fromStore(const VGXGuardError& error) {
  return VGXInstallerError::failed(error.kind == VGXGuardError::Kind::io ? error.text
                                                                         : error.description());
}

VGXInstallerResult fromStore(const std::expected<void, VGXGuardError>& done) {
  if (done) return {};
  return std::unexpected(fromStore(done.error()));
}

std::ptrdiff_t phaseIndex(std::string_view phase) {
  const auto* found = std::find(std::begin(kUpdatePhases), std::end(kUpdatePhases), phase);
  return found == std::end(kUpdatePhases) ? -1 : found - std::begin(kUpdatePhases);
}

bool isPending(const VGXInstallerError& error) {
  return error.kind == VGXInstallerError::Kind::maintenancePending;
}

VGXInstallerResult failedWith(std::string text) {
  return std::unexpected(VGXInstallerError::failed(std::move(text)));
}

}  // namespace

template <class Body>
VGXInstallerResult VGXInstallerEngine::locked(Body body) {
  VGXInstallerResult answer;
  auto held = system_.withMaintenanceLock([&] { answer = body(); });
  if (!held) return held;
  return answer;
}

bool VGXInstallerEngine::journalAbsent() {
  return system_.store().read(VGXGuardFile::journal()).kind == VGXFileRead::Kind::absent;
}

VGXInstallerResult VGXInstallerEngine::writeRecord(const std::string& txID, Operation op,
                                                   std::string_view phase) {
  const Maintenance record{txID, op, std::string(phase), readInstallGeneration(system_.store())};
  auto encoded = encodeMaintenance(record);
  if (!encoded) return failedWith("encode maintenance");
  return fromStore(system_.store().write(VGXGuardFile::maintenance(), *encoded));
}

VGXInstallerResult VGXInstallerEngine::assertOwnsRecord(const std::string& txID) {
  const AppMissingRecord read = readMaintenanceRecord(system_.store());
  if (read.kind != AppMissingRecord::Kind::value || read.record.txID != txID) {
    return std::unexpected(VGXInstallerError::maintenancePending());
  }
  return {};
}

VGXInstallerResult VGXInstallerEngine::removeRecord() {
  return fromStore(system_.store().remove(VGXGuardFile::maintenance()));
}

template <class Body>
VGXInstallerResult VGXInstallerEngine::enter(std::uint32_t uid, Body body) {
  (void)resume();
  AppMissingRecord read;
  auto held = system_.withMaintenanceLock([&] { read = readMaintenanceRecord(system_.store()); });
  if (!held || read.kind != AppMissingRecord::Kind::absent) {
    return std::unexpected(VGXInstallerError::maintenancePending());
  }
  if (system_.isHeldByAnotherUser(uid)) {
    return std::unexpected(VGXInstallerError::inUseByAnotherUser());
  }
  return body();
}

VGXInstallerResult VGXInstallerEngine::install(std::uint32_t uid) {
  return enter(uid, [this] { return installBody(); });
}

VGXInstallerResult VGXInstallerEngine::uninstall(std::uint32_t uid) {
  return enter(uid, [this] { return uninstallBody(); });
}

VGXInstallerResult VGXInstallerEngine::installBody() {
  std::string embedded;
  Plan plan = Plan::fresh;
  const auto planned = locked([&]() -> VGXInstallerResult {
    auto hash = system_.embeddedHash();
    if (!hash) return std::unexpected(hash.error());
    embedded = std::move(*hash);
    const auto installed = system_.installedHash();
    // Not knowing whether the guard runs is no plan at all.
    const auto loaded = system_.isGuardLoaded();
    if (!loaded) return std::unexpected(loaded.error());
    if (!installed) {
      plan = *loaded ? Plan::update : Plan::fresh;
    } else {
      plan = *installed == embedded && *loaded ? Plan::current : Plan::update;
    }
    return {};
  });
  if (!planned) return failedWith(detailText(planned.error()));
  switch (plan) {
    case Plan::fresh:
      return firstInstallation(embedded);
    case Plan::current:
      return currentCheck(embedded);
    case Plan::update:
      return update(embedded);
  }
  return update(embedded);
}

VGXInstallerResult VGXInstallerEngine::firstInstallation(const std::string& expected) {
  auto failure = [&](const VGXInstallerError& error) -> VGXInstallerResult {
    if (isPending(error)) return std::unexpected(error);
    return cleanUpFirstInstallation(detailText(error));
  };
  const auto installed = locked([&]() -> VGXInstallerResult {
    if (auto done = system_.prepareStateDirectory(); !done) return done;
    auto encoded = encodeInstallation(Installation{system_.newTransactionID()});
    if (!encoded) return failedWith("encode installation");
    if (auto done = fromStore(system_.store().write(VGXGuardFile::install(), *encoded)); !done) {
      return done;
    }
    if (auto done = system_.stageGuard(); !done) return done;
    if (auto done = system_.swapInStaged(); !done) return done;
    if (auto done = system_.writeJobPlist(); !done) return done;
    return system_.bootstrapGuard();
  });
  if (!installed) return failure(installed.error());
  const auto hash = system_.handshakeHash();
  const auto unclaimed = locked([&]() -> VGXInstallerResult {
    if (readMaintenanceRecord(system_.store()).kind != AppMissingRecord::Kind::absent) {
      return std::unexpected(VGXInstallerError::maintenancePending());
    }
    return {};
  });
  if (!hash) return failure(hash.error());
  if (!unclaimed) return failure(unclaimed.error());
  if (*hash == expected) return {};
  return cleanUpFirstInstallation("handshake");
}

VGXInstallerResult VGXInstallerEngine::cleanUpFirstInstallation(const std::string& detail) {
  const auto cleaned = locked([&]() -> VGXInstallerResult {
    // A guard whose state is unknown is booted out like a loaded one.
    const auto loaded = system_.isGuardLoaded();
    if (!loaded || *loaded) {
      if (auto done = system_.bootoutGuard(); !done) return done;
    }
    if (!system_.noGuardProcesses()) return {};
    if (journalAbsent()) return system_.removeInstalledFiles();
    return system_.bootstrapGuard();
  });
  if (!cleaned) return failedWith(detail + "; cleanup: " + description(cleaned.error()));
  return failedWith(detail);
}

VGXInstallerResult VGXInstallerEngine::currentCheck(const std::string& expected) {
  const auto hash = system_.handshakeHash();
  if (!hash) return std::unexpected(hash.error());
  const auto unclaimed = locked([&]() -> VGXInstallerResult {
    if (readMaintenanceRecord(system_.store()).kind != AppMissingRecord::Kind::absent) {
      return std::unexpected(VGXInstallerError::maintenancePending());
    }
    return {};
  });
  if (!unclaimed) return unclaimed;
  if (*hash == expected) return {};
  return update(expected);
}

VGXInstallerResult VGXInstallerEngine::update(const std::string& expected) {
  std::string_view phase = "recorded";
  const std::string txID = system_.newTransactionID();
  auto failure = [&](const VGXInstallerError& error) -> VGXInstallerResult {
    if (isPending(error)) return std::unexpected(error);
    return rollBack(detailText(error), phase, false);
  };
  if (auto done = locked([&] { return writeRecord(txID, Operation::update, "recorded"); }); !done) {
    return failure(done.error());
  }
  if (auto done = locked([&] { return writeRecord(txID, Operation::update, "drained"); }); !done) {
    return failure(done.error());
  }
  phase = "drained";
  if (auto done = system_.beginDrain(); !done) return failure(done.error());
  if (auto done = locked([&] { return assertOwnsRecord(txID); }); !done) {
    return failure(done.error());
  }
  auto bootedOut = locked([&]() -> VGXInstallerResult {
    phase = "bootedOut";
    if (auto done = writeRecord(txID, Operation::update, phase); !done) return done;
    if (auto done = system_.bootoutGuard(); !done) return done;
    if (!system_.noGuardProcesses()) return failedWith("processes remain");
    return {};
  });
  if (!bootedOut) return failure(bootedOut.error());
  auto replaced = locked([&]() -> VGXInstallerResult {
    phase = "replaced";
    if (auto done = writeRecord(txID, Operation::update, phase); !done) return done;
    if (auto done = system_.stageGuard(); !done) return done;
    if (auto done = system_.swapInStaged(); !done) return done;
    return system_.writeJobPlist();
  });
  if (!replaced) return failure(replaced.error());
  auto bootstrapped = locked([&]() -> VGXInstallerResult {
    phase = "bootstrapped";
    if (auto done = writeRecord(txID, Operation::update, phase); !done) return done;
    return system_.bootstrapGuard();
  });
  if (!bootstrapped) return failure(bootstrapped.error());
  const auto hash = system_.handshakeHash();
  if (!hash) return failure(hash.error());
  if (auto done = locked([&] { return assertOwnsRecord(txID); }); !done) {
    return failure(done.error());
  }
  if (*hash != expected) return failure(VGXInstallerError::failed("handshake"));
  const auto verified = locked([&]() -> VGXInstallerResult {
    if (auto done = writeRecord(txID, Operation::update, "verified"); !done) return done;
    if (auto done = system_.dropPrevious(); !done) return done;
    return removeRecord();
  });
  if (!verified) return failedWith(detailText(verified.error()));
  return {};
}

VGXInstallerResult VGXInstallerEngine::rollBack(const std::string& detail, std::string_view phase,
                                                bool resuming) {
  const std::ptrdiff_t at = phaseIndex(phase);
  std::string notes;
  const auto undone = locked([&]() -> VGXInstallerResult {
    if (at >= phaseIndex("bootstrapped")) {
      const auto loaded = system_.isGuardLoaded();
      if (!loaded || *loaded) {
        if (auto done = system_.bootoutGuard(); !done) {
          notes += "; bootout: " + description(done.error());
        }
      }
      if (!system_.noGuardProcesses()) notes += "; processes remain";
    }
    if (at >= phaseIndex("replaced")) {
      // A crash or failure before the swap left the old guard in place: nothing to restore.
      if (auto done = system_.restorePrevious();
          !done && done.error() != VGXInstallerError::failed(std::string(kNoPreviousGuard))) {
        return done;
      }
    }
    const auto loaded = system_.isGuardLoaded();
    if (!loaded || !*loaded) {
      if (auto done = system_.bootstrapGuard(); !done) {
        notes += "; bootstrap: " + description(done.error());
      }
    }
    return {};
  });
  (void)system_.handshakeHash();
  const auto removed = locked([&] { return removeRecord(); });
  system_.endDrain();
  if (undone && removed) {
    if (resuming) return {};
    return std::unexpected(VGXInstallerError::rolledBack(detail + notes));
  }
  const VGXInstallerError& failure = undone ? removed.error() : undone.error();
  return failedWith(detail + "; rollback: " + description(failure));
}

VGXInstallerResult VGXInstallerEngine::uninstallBody() {
  const std::string txID = system_.newTransactionID();
  auto failure = [&](const VGXInstallerError& error) -> VGXInstallerResult {
    if (isPending(error)) return std::unexpected(error);
    return cancelUninstall(detailText(error), false);
  };
  for (const std::string_view phase : {"recorded", "drained"}) {
    if (auto done = locked([&] { return writeRecord(txID, Operation::uninstall, phase); }); !done) {
      return failure(done.error());
    }
  }
  if (auto done = system_.beginDrain(); !done) return failure(done.error());
  if (auto done = locked([&] { return assertOwnsRecord(txID); }); !done) {
    return failure(done.error());
  }
  auto bootedOut = locked([&]() -> VGXInstallerResult {
    if (auto done = writeRecord(txID, Operation::uninstall, "bootedOut"); !done) return done;
    return system_.bootoutGuard();
  });
  if (!bootedOut) return failure(bootedOut.error());
  return finishUninstall();
}

VGXInstallerResult VGXInstallerEngine::cancelUninstall(const std::string& detail, bool resuming) {
  system_.endDrain();
  const auto removed = locked([&] { return removeRecord(); });
  if (!removed) return failedWith(detail + "; rollback: " + description(removed.error()));
  if (resuming) return {};
  return std::unexpected(VGXInstallerError::rolledBack(detail));
}

VGXInstallerResult VGXInstallerEngine::finishUninstall() {
  return locked([&]() -> VGXInstallerResult {
    if (!system_.noGuardProcesses()) return failedWith("processes remain");
    if (!journalAbsent()) {
      if (auto done = system_.bootstrapGuard(); !done) return done;
      if (auto done = removeRecord(); !done) return done;
      return std::unexpected(VGXInstallerError::rolledBack("journal present"));
    }
    // Files are removed only once the guard is known to be gone.
    const auto loaded = system_.isGuardLoaded();
    if (!loaded) return std::unexpected(loaded.error());
    if (*loaded || !system_.noGuardProcesses()) return failedWith("still loaded");
    if (const AppMissingRecord read = readMaintenanceRecord(system_.store());
        read.kind == AppMissingRecord::Kind::value) {
      if (auto done = writeRecord(read.record.txID, Operation::uninstall, "removed"); !done) {
        return done;
      }
    }
    return system_.removeInstalledFiles();
  });
}

VGXInstallerResult VGXInstallerEngine::resume() {
  AppMissingRecord read;
  if (auto held =
          system_.withMaintenanceLock([&] { read = readMaintenanceRecord(system_.store()); });
      !held) {
    return failedWith(detailText(held.error()));
  }
  if (read.kind == AppMissingRecord::Kind::absent) return {};
  if (read.kind == AppMissingRecord::Kind::unreadable) {
    return std::unexpected(VGXInstallerError::maintenancePending());
  }
  const Maintenance& record = read.record;
  switch (record.op) {
    case Operation::update: {
      if (record.phase == "verified") {
        const auto done = locked([&]() -> VGXInstallerResult {
          if (auto dropped = system_.dropPrevious(); !dropped) return dropped;
          return removeRecord();
        });
        if (!done) return failedWith(detailText(done.error()));
        return {};
      }
      if (phaseIndex(record.phase) < 0) {
        return std::unexpected(VGXInstallerError::maintenancePending());
      }
      return rollBack("resume", record.phase, true);
    }
    case Operation::uninstall:
      if (record.phase == "bootedOut") {
        // The phase is written before the bootout, so a crash may have come first.
        if (auto done = locked([&] { return system_.bootoutGuard(); }); !done) {
          return failedWith(detailText(done.error()));
        }
        return finishUninstall();
      }
      if (record.phase == "removed") return finishUninstall();
      if (record.phase == "recorded" || record.phase == "drained") {
        return cancelUninstall("resume", true);
      }
      return std::unexpected(VGXInstallerError::maintenancePending());
    case Operation::appMissingUninstall:
      return resumeAppMissing();
  }
  return std::unexpected(VGXInstallerError::maintenancePending());
}

VGXInstallerResult VGXInstallerEngine::resumeAppMissing() {
  // The guard's own clean-up finishes the uninstall while the application stays gone.
  if (!system_.isAppPresent()) return std::unexpected(VGXInstallerError::maintenancePending());
  const auto done = locked([&]() -> VGXInstallerResult {
    const auto loaded = system_.isGuardLoaded();
    if ((!loaded || !*loaded) && system_.installedHash()) {
      if (auto started = system_.bootstrapGuard(); !started) return started;
    }
    return removeRecord();
  });
  if (!done) return failedWith(detailText(done.error()));
  system_.endDrain();
  return {};
}

}  // namespace vigilix
