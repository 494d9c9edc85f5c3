#include "sleepguard/testing/fake_guard_store.h"

namespace vigilix::testing {

VGXFileRead FakeGuardStore::read(const VGXGuardFile& file) {
  const auto name = file.fileName();
  if (storeError) return VGXFileRead::storeError(*storeError);
  if (storeErrorFiles.contains(name)) return VGXFileRead::storeError("store failed: " + name);
  auto found = files.find(name);
  if (found == files.end()) return VGXFileRead::absent();
  if (unreadable.contains(name)) return VGXFileRead::error("unreadable " + name);
  return VGXFileRead::data(found->second);
}

std::expected<void, VGXGuardError> FakeGuardStore::write(const VGXGuardFile& file,
                                                         const platform::Bytes& data) {
  const auto name = file.fileName();
  if (storeError) return std::unexpected(VGXGuardError::io(*storeError));
  if (failAllWrites || failWrites.contains(name)) {
    return std::unexpected(VGXGuardError::io("write failed: " + name));
  }
  files[name] = data;
  writes.emplace_back(name, std::string(data.begin(), data.end()));
  return {};
}

std::expected<void, VGXGuardError> FakeGuardStore::remove(const VGXGuardFile& file) {
  if (storeError) return std::unexpected(VGXGuardError::io(*storeError));
  if (failRemove) return std::unexpected(VGXGuardError::io("remove failed"));
  files.erase(file.fileName());
  return {};
}

std::expected<void, VGXGuardError> FakeGuardStore::quarantine(const VGXGuardFile& file) {
  const auto name = file.fileName();
  if (storeError) return std::unexpected(VGXGuardError::io(*storeError));
  if (failQuarantine) return std::unexpected(VGXGuardError::io("quarantine failed"));
  if (auto found = files.find(name); found != files.end()) {
    quarantined[name] = found->second;
    files.erase(found);
  }
  return {};
}

void FakeGuardStore::put(const VGXGuardFile& file, std::string_view text) {
  files[file.fileName()] = platform::Bytes(text.begin(), text.end());
}

std::optional<std::string> FakeGuardStore::text(const VGXGuardFile& file) const {
  auto found = files.find(file.fileName());
  if (found == files.end()) return std::nullopt;
  return std::string(found->second.begin(), found->second.end());
}

}  // namespace vigilix::testing
