// The installer's reading of the state directory's records: whatever bytes
// "maintenance.json" and "install.json" hold, a readable record has a
// transaction and a phase and writes back to the same record, and the
// generation is never empty.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sleepguard/installer/installer_records.h"

namespace {

// Both files from one input: the first byte splits it.
class OneShotStore final : public vigilix::VGXGuardStore {
 public:
  vigilix::platform::Bytes maintenance;
  vigilix::platform::Bytes install;
  vigilix::VGXFileRead read(const vigilix::VGXGuardFile& file) override {
    return vigilix::VGXFileRead::data(file == vigilix::VGXGuardFile::maintenance() ? maintenance
                                                                                   : install);
  }
  std::expected<void, vigilix::VGXGuardError> write(const vigilix::VGXGuardFile&,
                                                    const vigilix::platform::Bytes&) override {
    return {};
  }
  std::expected<void, vigilix::VGXGuardError> remove(const vigilix::VGXGuardFile&) override {
    return {};
  }
  std::expected<void, vigilix::VGXGuardError> quarantine(const vigilix::VGXGuardFile&) override {
    return {};
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t split = std::min<std::size_t>(data[0], size - 1);
  OneShotStore store;
  store.maintenance.assign(data + 1, data + 1 + split);
  store.install.assign(data + 1 + split, data + size);
  const auto read = vigilix::readMaintenanceRecord(store);
  if (read.kind == vigilix::AppMissingRecord::Kind::value) {
    if (read.record.txID.empty() || read.record.phase.empty()) std::abort();
    const auto encoded = vigilix::encodeMaintenance(read.record);
    if (encoded) {
      const auto again = vigilix::decodeMaintenance(*encoded);
      if (!again || *again != read.record) std::abort();
    }
  }
  if (vigilix::readInstallGeneration(store).empty()) std::abort();
  return 0;
}
