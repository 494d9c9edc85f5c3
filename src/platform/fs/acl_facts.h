#pragma once

#include <cstdint>
#include <expected>

namespace vigilix::platform {

// Which step of reading a POSIX access ACL failed.
enum class AclStep { read, entry, entryMissing, tag, permissions, permission };

struct AclFailure {
  AclStep step = AclStep::read;
  int code = 0;  // errno; 0 for entryMissing
  bool operator==(const AclFailure&) const = default;
};

// True when an entry of the access ACL of `fd` grants write to anyone but `ownerUID`: a named
// user other than the owner, the owning group, a named group or others. An entry counts even
// where the mask hides it today, since a later chmod can widen the mask. A file system without
// ACLs has no such entry. The read can be injected to fail (FsCall::readAcl).
std::expected<bool, AclFailure> hasWritableAclEntry(int fd, std::uint32_t ownerUID);

}  // namespace vigilix::platform
