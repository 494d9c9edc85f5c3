#include "sleepguard/core/directory_check.h"

namespace vigilix {

bool VGXDirectoryCheck::passes(const VGXPathComponentInfo& info, std::uint32_t expectedOwnerUID) {
  const bool ownerAccepted = info.ownerUID == 0 || info.ownerUID == expectedOwnerUID;
  return info.isDirectory && !info.isSymlink && (info.mode & 022) == 0 && !info.hasWritableACL &&
         ownerAccepted;
}

}  // namespace vigilix
