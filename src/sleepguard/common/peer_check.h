#pragma once

#include <sys/types.h>

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "platform/fs/unique_fd.h"
#include "platform/ipc/packet_socket.h"
#include "platform/ipc/process_identity.h"

namespace vigilix {

// What one side demands of the process at the other end of a connection. The
// user is the real boundary; the executable check stops casual misuse by
// another program of the same user.
struct VGXPeerExpectation {
  std::string requirement;     // the requirement text this check stands for
  std::string executablePath;  // a system path, mapped under the file-system root
  bool rootOnly = false;
};

namespace VGXPeerExpectations {
// The application, as the guard's client service and the installer demand it.
VGXPeerExpectation application();
// The installer, as the guard's admin service demands it: root only.
VGXPeerExpectation installer();
// The installed guard, as its clients demand it: root only.
VGXPeerExpectation guard();
}  // namespace VGXPeerExpectations

enum class VGXPeerRefusal {
  notRoot,           // the admin side accepts user 0 only
  gone,              // no pidfd or no start time: the process ended
  unreadable,        // its executable cannot be read
  deleted,           // its executable was replaced or removed since it started
  otherExecutable,   // not the expected program
  unsafeExecutable,  // the program or a folder above it is not root's alone
  changed,           // the process ended or its pid was reused during the check
};
std::string_view describe(VGXPeerRefusal refusal);

// A peer that passed, with the pidfd taken at once after its credentials.
struct VGXCheckedPeer {
  std::uint32_t uid = 0;
  pid_t pid = 0;
  platform::UniqueFd pidfd;
};

// Checks the peer the kernel recorded for a connection: the user, then its
// executable (equal to the expected program, that file and every folder
// above it within the file-system root root-owned and not writable by group
// or others), then that its start time did not change meanwhile.
std::expected<VGXCheckedPeer, VGXPeerRefusal> checkPeer(const platform::PeerCredentials& peer,
                                                        const VGXPeerExpectation& expectation,
                                                        platform::ProcessIdentity& processes);

}  // namespace vigilix
