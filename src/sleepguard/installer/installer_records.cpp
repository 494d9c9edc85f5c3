#include "sleepguard/installer/installer_records.h"

#include <utility>

namespace vigilix {

AppMissingRecord readMaintenanceRecord(VGXGuardStore& store) {
  using Kind = AppMissingRecord::Kind;
  const VGXFileRead read = store.read(VGXGuardFile::maintenance());
  if (read.kind == VGXFileRead::Kind::absent) return {Kind::absent, {}};
  if (read.kind != VGXFileRead::Kind::data || read.bytes.size() > kGuardRecordMaxBytes) {
    return {Kind::unreadable, {}};
  }
  auto decoded = decodeMaintenance(read.bytes);
  if (!decoded || decoded->txID.empty() || decoded->phase.empty()) return {Kind::unreadable, {}};
  return {Kind::value, std::move(*decoded)};
}

std::string readInstallGeneration(VGXGuardStore& store) {
  const VGXFileRead read = store.read(VGXGuardFile::install());
  if (read.kind == VGXFileRead::Kind::data && read.bytes.size() <= kGuardRecordMaxBytes) {
    auto decoded = decodeInstallation(read.bytes);
    if (decoded && !decoded->installGeneration.empty()) return decoded->installGeneration;
  }
  return "unknown";
}

}  // namespace vigilix
