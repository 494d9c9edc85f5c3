#include "platform/fs/acl_facts.h"

#include <acl/libacl.h>
#include <sys/acl.h>

#include <cerrno>

#include "platform/fs/fs_faults.h"

namespace vigilix::platform {

namespace {

// Frees the ACL on every path.
class AclHandle {
 public:
  explicit AclHandle(acl_t acl) : acl_(acl) {}
  ~AclHandle() {
    if (acl_ != nullptr) acl_free(acl_);
  }
  AclHandle(const AclHandle&) = delete;
  AclHandle& operator=(const AclHandle&) = delete;
  acl_t get() const { return acl_; }

 private:
  acl_t acl_;
};

std::unexpected<AclFailure> fail(AclStep step, int code) {
  return std::unexpected(AclFailure{step, code});
}

// Whether the entry names someone other than the owner who could write.
std::expected<bool, AclFailure> grantsOthersWrite(acl_entry_t entry, std::uint32_t ownerUID) {
  acl_tag_t tag = ACL_UNDEFINED_TAG;
  if (acl_get_tag_type(entry, &tag) != 0) return fail(AclStep::tag, errno);
  if (tag == ACL_USER_OBJ || tag == ACL_MASK) return false;
  if (tag == ACL_USER) {
    auto* qualifier = static_cast<uid_t*>(acl_get_qualifier(entry));
    if (qualifier == nullptr) return fail(AclStep::tag, errno);
    const bool isOwner = *qualifier == ownerUID;
    acl_free(qualifier);
    if (isOwner) return false;
  }
  acl_permset_t permissions = nullptr;
  if (acl_get_permset(entry, &permissions) != 0 || permissions == nullptr) {
    return fail(AclStep::permissions, errno);
  }
  const int canWrite = acl_get_perm(permissions, ACL_WRITE);
  if (canWrite < 0) return fail(AclStep::permission, errno);
  return canWrite == 1;
}

}  // namespace

std::expected<bool, AclFailure> hasWritableAclEntry(int fd, std::uint32_t ownerUID) {
  if (auto fault = FsFaults::take(FsCall::readAcl)) return fail(AclStep::read, fault->errorCode);
  AclHandle acl(acl_get_fd(fd));
  if (acl.get() == nullptr) {
    if (errno == ENOTSUP || errno == ENOENT) return false;
    return fail(AclStep::read, errno);
  }
  acl_entry_t entry = nullptr;
  for (int which = ACL_FIRST_ENTRY;; which = ACL_NEXT_ENTRY) {
    const int got = acl_get_entry(acl.get(), which, &entry);
    if (got == 0) return false;
    if (got < 0) {
      // Running off the end reads as EINVAL on some systems.
      if (errno == EINVAL) return false;
      return fail(AclStep::entry, errno);
    }
    if (entry == nullptr) return fail(AclStep::entryMissing, 0);
    auto writable = grantsOthersWrite(entry, ownerUID);
    if (!writable || *writable) return writable;
  }
}

}  // namespace vigilix::platform
