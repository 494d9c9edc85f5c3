// Any text in the migration's state file reads as a record whose own text reads back as the
// same record.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "direct/migration_provenance.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto record = vigilix::decodeMigrationProvenance(
      std::string_view(reinterpret_cast<const char*>(data), size));
  if (vigilix::decodeMigrationProvenance(vigilix::encodeMigrationProvenance(record)) != record) {
    std::abort();
  }
  return 0;
}
