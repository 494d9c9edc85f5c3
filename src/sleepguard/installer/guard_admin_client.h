#pragma once

#include <cstdint>
#include <expected>
#include <string>

#include "sleepguard/common/guard_interfaces.h"
#include "sleepguard/installer/installer_error.h"

namespace vigilix {

// The installer's calls to the guard's admin service: one connection per call
// to the admin socket under the file-system root, one request packet, one
// reply packet within the deadline (10 s). The socket's owner must be root:
// under socket activation the kernel names the service manager as the peer,
// so the executable cannot be checked from this side, but only root can
// listen in the root-owned socket folder. Failures are `failed` texts:
// "admin connect", "admin peer", "admin timeout", "admin reply".
class VGXGuardAdminClient {
 public:
  explicit VGXGuardAdminClient(std::uint64_t deadlineMilliseconds = 10'000)
      : deadlineMilliseconds_(deadlineMilliseconds) {}

  std::expected<VGXGuardWire::Dictionary, VGXInstallerError> call(VGXGuardMethod method);

  // An acknowledgement is success; the guard's refusal is `failed` with its
  // wire text; an unreadable reply "drain reply".
  std::expected<void, VGXInstallerError> beginDrain();
  // Every failure is dropped.
  void endDrain();
  // The status reply's executable hash; "handshake" when it has none.
  std::expected<std::string, VGXInstallerError> handshakeHash();
  // A hold by another user. A guard that cannot be asked holds nothing the
  // transactions could hurt: they drain it first, and a drain it cannot answer fails.
  bool isHeldByAnotherUser(std::uint32_t uid);

 private:
  std::uint64_t deadlineMilliseconds_;
};

}  // namespace vigilix
