#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/fs/file_lock.h"
#include "platform/fs/unique_fd.h"
#include "sleepguard/core/guard_collaborators.h"
#include "sleepguard/core/guard_lock_name.h"
#include "sleepguard/core/guard_values.h"

namespace vigilix {

// The guard's state directory, under the platform's file-system root.
inline constexpr std::string_view kVGXGuardStateDirectory = "/var/lib/vigilix";
// The most bytes a record may hold, on write and on read.
inline constexpr std::size_t kVGXGuardRecordSizeLimit = 16384;

// The name of a record's temporary file: ".tmp-" and a UUID's text.
bool isTemporaryRecordName(std::string_view name);

// Records of the root services in a root-owned directory. Every operation re-walks the path
// from the file-system root without following links and checks owner, mode and ACLs of every
// directory; record files must be root's, mode 0600, one link. Writes replace a record
// atomically and durably, so readers see the old or the new record. Failures are
// VGXGuardError::io with a fixed text ("unsafePath", "rename: errno 5", ...). Holds no
// descriptor between operations; no lock of its own (callers serialise), except the one on the
// directory that lets `create` remove temporary files left by a killed write.
class VGXSecureDirectoryStore final : public VGXGuardStore {
 public:
  // `path` is a system path ("/var/lib/vigilix") of at least two components without "." or
  // ".."; it maps under the file-system root as it is now. Walks it once before answering.
  static std::expected<std::unique_ptr<VGXSecureDirectoryStore>, VGXGuardError> create(
      std::string_view path, std::uint32_t expectedOwnerUID = 0);

  VGXFileRead read(const VGXGuardFile& file) override;
  std::expected<void, VGXGuardError> write(const VGXGuardFile& file,
                                           const platform::Bytes& data) override;
  std::expected<void, VGXGuardError> writeUnflushed(const VGXGuardFile& file,
                                                    const platform::Bytes& data) override;
  // A missing record is success.
  std::expected<void, VGXGuardError> remove(const VGXGuardFile& file) override;
  // Renames the record to "<name>.corrupt-<UUID>" in the directory.
  std::expected<void, VGXGuardError> quarantine(const VGXGuardFile& file) override;

  // Runs `body` holding an exclusive flock on the lock file (created 0600 when missing),
  // waiting without a time-out for another holder. Answers the body's result, or the lock's
  // failure; a body answering std::expected<T, VGXGuardError> is answered as it is.
  template <class Body>
  auto withLock(VGXGuardLockName name, Body&& body);

  const std::vector<std::string>& components() const { return components_; }
  std::uint32_t expectedOwnerUID() const { return expectedOwnerUID_; }

 private:
  VGXSecureDirectoryStore(std::filesystem::path root, std::vector<std::string> components,
                          std::uint32_t expectedOwnerUID);

  std::expected<platform::UniqueFd, VGXGuardError> openVerifiedDirectory() const;
  std::expected<void, VGXGuardError> checkDirectory(int fd) const;
  std::expected<platform::FileLock, VGXGuardError> lock(VGXGuardLockName name) const;
  std::expected<void, VGXGuardError> writeRecord(const VGXGuardFile& file,
                                                 const platform::Bytes& data, bool flush);

  std::filesystem::path root_;
  std::vector<std::string> components_;
  std::uint32_t expectedOwnerUID_;
};

namespace secure_store_detail {
template <class T>
struct IsGuardExpected : std::false_type {};
template <class T>
struct IsGuardExpected<std::expected<T, VGXGuardError>> : std::true_type {};
}  // namespace secure_store_detail

template <class Body>
auto VGXSecureDirectoryStore::withLock(VGXGuardLockName name, Body&& body) {
  using Result = std::invoke_result_t<Body&>;
  using Answer = std::conditional_t<secure_store_detail::IsGuardExpected<Result>::value, Result,
                                    std::expected<Result, VGXGuardError>>;
  auto held = lock(name);
  if (!held) return Answer(std::unexpect, held.error());
  if constexpr (std::is_void_v<Result>) {
    body();
    return Answer();
  } else {
    return Answer(body());
  }
}

}  // namespace vigilix
