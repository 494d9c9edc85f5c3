#include "sleepguard/core/secure_directory_checks.h"

#include <string>

#include "platform/fs/acl_facts.h"
#include "platform/fs/file_facts.h"

namespace vigilix::secure_store_detail {

VGXGuardError ioError(std::string_view stem, int code) {
  return VGXGuardError::io(std::string(stem) + ": errno " + std::to_string(code));
}

VGXGuardError ioError(std::string_view text) { return VGXGuardError::io(std::string(text)); }

std::expected<bool, VGXGuardError> hasWritableACL(int fd, std::uint32_t ownerUID) {
  auto writable = platform::hasWritableAclEntry(fd, ownerUID);
  if (writable) return *writable;
  const int code = writable.error().code;
  switch (writable.error().step) {
    case platform::AclStep::read:
      return std::unexpected(ioError("acl", code));
    case platform::AclStep::entry:
      return std::unexpected(ioError("acl entry", code));
    case platform::AclStep::entryMissing:
      return std::unexpected(ioError("acl entry missing"));
    case platform::AclStep::tag:
      return std::unexpected(ioError("acl tag", code));
    case platform::AclStep::permissions:
      return std::unexpected(ioError("acl permissions", code));
    case platform::AclStep::permission:
      return std::unexpected(ioError("acl permission", code));
  }
  return std::unexpected(ioError("acl", code));
}

std::expected<void, VGXGuardError> checkRecordFile(int fd) {
  auto facts = platform::factsOf(fd);
  if (!facts) return std::unexpected(ioError("fstat file", facts.error()));
  // Root's whatever owner the directory may have: only the root services write records.
  const bool shapeSafe = facts->isRegularFile && facts->ownerUID == 0 &&
                         (facts->mode & 07777) == 0600 && facts->linkCount == 1;
  if (!shapeSafe) return std::unexpected(ioError("unsafeFile"));
  auto acl = hasWritableACL(fd, facts->ownerUID);
  if (!acl) return std::unexpected(acl.error());
  if (*acl) return std::unexpected(ioError("unsafeFile"));
  return {};
}

}  // namespace vigilix::secure_store_detail
