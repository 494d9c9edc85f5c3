#pragma once

#include <cstddef>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "platform/fs/unique_fd.h"
#include "sleepguard/common/installer_values.h"
#include "sleepguard/core/guard_collaborators.h"

namespace vigilix {

// Careful file primitives of the root services: system paths are opened from
// the file-system root one component at a time without following links, and
// every directory on the way must be root's alone (owner 0, no group or other
// write bit). Failures are VGXInstallerError::failed with a fixed text.
namespace VGXServiceFiles {

inline constexpr std::size_t kHashChunkBytes = 65536;

// An absolute system path of a directory → its descriptor.
std::expected<platform::UniqueFd, VGXInstallerError> openVerifiedPath(std::string_view path);
std::expected<void, VGXInstallerError> checkDirectoryDescriptor(int fd);
// A regular file of at most `maxBytes`, opened without following a link.
std::expected<platform::UniqueFd, VGXInstallerError> openRegularFile(std::string_view path,
                                                                     std::size_t maxBytes);
// 64 lower-case hexadecimal digits of the whole file, whatever the offset.
std::expected<std::string, VGXInstallerError> hashFileDescriptor(int fd);
// Nullopt on any failure, and for anything but a regular file.
std::optional<std::string> hashRegularFile(std::string_view path);
// A missing file is success; anything but a regular file is left alone.
std::expected<void, VGXInstallerError> removeRegularFile(int directoryFd, const std::string& name);
// Every regular file named prefix…suffix; failures are ignored.
void removeMatching(int directoryFd, std::string_view prefix, std::string_view suffix);
// The guard's units, its files in the state directory and the directory
// itself; nothing while a journal exists. `store` may be absent.
std::expected<void, VGXInstallerError> removeGuardFiles(VGXGuardStore* store);

}  // namespace VGXServiceFiles

}  // namespace vigilix
