#pragma once

#include <cstdint>

namespace vigilix {

// The facts examined for one directory or file of the state directory's chain.
struct VGXPathComponentInfo {
  bool isDirectory = false;
  bool isSymlink = false;
  std::uint32_t ownerUID = 0;
  std::uint16_t mode = 0;  // the full st_mode
  bool hasWritableACL = false;

  bool operator==(const VGXPathComponentInfo&) const = default;
};

// The rule every directory from "/" to the state directory must pass: a real directory, not
// writable by group or others, no writable ACL entry, owned by root or by `expectedOwnerUID`.
struct VGXDirectoryCheck {
  static bool passes(const VGXPathComponentInfo& info, std::uint32_t expectedOwnerUID);
};

}  // namespace vigilix
