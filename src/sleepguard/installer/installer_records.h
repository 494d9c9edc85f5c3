#pragma once

#include <string>

#include "sleepguard/core/guard_collaborators.h"
#include "sleepguard/core/guard_records.h"

namespace vigilix {

// "maintenance.json" as the installer and the app-missing clean-up read it.
// Anything that is not a whole record with a transaction and a phase is
// unreadable, so that nobody mistakes damage for "no transaction".
struct AppMissingRecord {
  enum class Kind { value, absent, unreadable };
  Kind kind = Kind::absent;
  Maintenance record;
};
AppMissingRecord readMaintenanceRecord(VGXGuardStore& store);

// The installed guard's generation from "install.json"; "unknown" when it is
// missing, damaged or empty.
std::string readInstallGeneration(VGXGuardStore& store);

}  // namespace vigilix
