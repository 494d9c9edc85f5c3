#pragma once

#include <sys/types.h>

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/fs/file_facts.h"
#include "platform/ipc/packet_socket.h"

namespace vigilix {

// What the application demands of a root service's socket before it trusts
// what comes back on it. The kernel reports as the peer the process that
// made the listening socket: under systemd that is the service manager
// (pid 1), so the program behind the socket can be checked only when it
// bound the socket itself; the user and the socket's folder always can.
struct VGXServiceSocketExpectation {
  std::filesystem::path socket;  // a real path
  std::string executablePath;    // a real path; empty: not checked
  std::uint32_t ownerUID = 0;
};

// What was read of one connection.
struct VGXServiceSocketFacts {
  platform::PeerCredentials peer;
  std::optional<std::string> peerExecutable;  // /proc/<pid>/exe; none when unreadable
  std::expected<platform::FileFacts, int> socket;
  std::expected<platform::FileFacts, int> folder;
};

// Nothing when the peer may be trusted, else why not (a line for the log).
std::optional<std::string> refuseServiceSocket(const VGXServiceSocketFacts& facts,
                                               const VGXServiceSocketExpectation& expectation);

// Connects to the expected socket and checks it; the errno text or the
// refusal otherwise.
std::expected<platform::UniqueFd, std::string> connectCheckedServiceSocket(
    const VGXServiceSocketExpectation& expectation);

}  // namespace vigilix
