#pragma once

// Checks and texts shared by the secure store's files; not for other callers.

#include <cstdint>
#include <expected>
#include <string_view>

#include "sleepguard/core/guard_values.h"

namespace vigilix::secure_store_detail {

// "stem: errno N".
VGXGuardError ioError(std::string_view stem, int code);
// A text that stands alone.
VGXGuardError ioError(std::string_view text);

// Whether an ACL entry lets anyone but `ownerUID` write; read failures are the store's "acl ..."
// texts.
std::expected<bool, VGXGuardError> hasWritableACL(int fd, std::uint32_t ownerUID);

// A record file must be a regular file of root's, mode exactly 0600, one link, no writable ACL;
// otherwise "unsafeFile".
std::expected<void, VGXGuardError> checkRecordFile(int fd);

}  // namespace vigilix::secure_store_detail
