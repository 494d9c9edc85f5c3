#include "sleepguard/common/peer_check.h"

#include <sys/stat.h>

#include "platform/fs/file_facts.h"
#include "platform/fs/file_system.h"
#include "sleepguard/common/guard_names.h"

namespace vigilix {
namespace {

bool rootsAlone(const platform::FileFacts& facts) {
  return !facts.isSymlink && facts.ownerUID == 0 && (facts.mode & 022) == 0;
}

// The file and each folder from the file-system root down to it.
bool safeChain(const std::filesystem::path& file) {
  const std::filesystem::path root = platform::FileSystem::root().lexically_normal();
  auto relative = file.lexically_relative(root);
  if (relative.empty() || *relative.begin() == "..") return false;
  std::filesystem::path current = root;
  auto facts = platform::factsOfPath(current);
  if (!facts || !facts->isDirectory || !rootsAlone(*facts)) return false;
  auto parts = std::vector<std::filesystem::path>(relative.begin(), relative.end());
  for (std::size_t index = 0; index < parts.size(); ++index) {
    current /= parts[index];
    facts = platform::factsOfPath(current);
    const bool last = index + 1 == parts.size();
    if (!facts || !rootsAlone(*facts)) return false;
    if (last ? !facts->isRegularFile : !facts->isDirectory) return false;
  }
  return true;
}

}  // namespace

VGXPeerExpectation VGXPeerExpectations::application() {
  return {VGXGuardRequirements::app(), VGXGuardNames::appPath(), false};
}

VGXPeerExpectation VGXPeerExpectations::installer() {
  return {VGXGuardRequirements::installer(), VGXGuardNames::installerExecutablePath(), true};
}

VGXPeerExpectation VGXPeerExpectations::guard() {
  return {VGXGuardRequirements::guard(), std::string(VGXGuardNames::guardExecutablePath), true};
}

std::string_view describe(VGXPeerRefusal refusal) {
  switch (refusal) {
    case VGXPeerRefusal::notRoot:
      return "peer is not root";
    case VGXPeerRefusal::gone:
      return "peer process gone";
    case VGXPeerRefusal::unreadable:
      return "peer executable unreadable";
    case VGXPeerRefusal::deleted:
      return "peer executable deleted";
    case VGXPeerRefusal::otherExecutable:
      return "peer executable not expected";
    case VGXPeerRefusal::unsafeExecutable:
      return "peer executable not root's alone";
    case VGXPeerRefusal::changed:
      return "peer process changed";
  }
  return "peer refused";
}

std::expected<VGXCheckedPeer, VGXPeerRefusal> checkPeer(const platform::PeerCredentials& peer,
                                                        const VGXPeerExpectation& expectation,
                                                        platform::ProcessIdentity& processes) {
  if (expectation.rootOnly && peer.uid != 0) return std::unexpected(VGXPeerRefusal::notRoot);
  auto pidfd = processes.openPidfd(peer.pid);
  if (!pidfd) return std::unexpected(VGXPeerRefusal::gone);
  const auto started = processes.startTicks(peer.pid);
  if (!started) return std::unexpected(VGXPeerRefusal::gone);
  const auto executable = processes.executablePath(peer.pid);
  if (!executable) return std::unexpected(VGXPeerRefusal::unreadable);
  if (executable->ends_with(" (deleted)")) return std::unexpected(VGXPeerRefusal::deleted);
  const auto expected =
      platform::FileSystem::pathFor(expectation.executablePath).lexically_normal();
  if (std::filesystem::path(*executable).lexically_normal() != expected) {
    return std::unexpected(VGXPeerRefusal::otherExecutable);
  }
  if (!safeChain(expected)) return std::unexpected(VGXPeerRefusal::unsafeExecutable);
  if (processes.startTicks(peer.pid) != started || !processes.isAlive(pidfd->get())) {
    return std::unexpected(VGXPeerRefusal::changed);
  }
  return VGXCheckedPeer{peer.uid, peer.pid, std::move(*pidfd)};
}

}  // namespace vigilix
