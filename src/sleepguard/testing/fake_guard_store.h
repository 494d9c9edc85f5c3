#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sleepguard/core/guard_collaborators.h"

namespace vigilix::testing {

// The guard's state directory in memory, with failures to inject. Files
// are keyed by name; quarantined ones move to `quarantined`.
class FakeGuardStore final : public VGXGuardStore {
 public:
  VGXFileRead read(const VGXGuardFile& file) override;
  std::expected<void, VGXGuardError> write(const VGXGuardFile& file,
                                           const platform::Bytes& data) override;
  std::expected<void, VGXGuardError> remove(const VGXGuardFile& file) override;
  std::expected<void, VGXGuardError> quarantine(const VGXGuardFile& file) override;

  void put(const VGXGuardFile& file, std::string_view text);
  // The file's text; none when absent.
  std::optional<std::string> text(const VGXGuardFile& file) const;
  bool exists(const VGXGuardFile& file) const { return files.contains(file.fileName()); }

  std::map<std::string, platform::Bytes> files;
  std::map<std::string, platform::Bytes> quarantined;
  // Every successful write in order: file name and text.
  std::vector<std::pair<std::string, std::string>> writes;

  // Injected failures: the whole directory unusable (every call fails),
  // unreadable files, and failing writes, removals and quarantines.
  std::optional<std::string> storeError;
  std::set<std::string> storeErrorFiles;  // reads of these give storeError
  std::set<std::string> unreadable;
  std::set<std::string> failWrites;
  bool failAllWrites = false;
  bool failRemove = false;
  bool failQuarantine = false;
};

}  // namespace vigilix::testing
