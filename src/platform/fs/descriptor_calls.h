#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/unique_fd.h"

namespace vigilix::platform {

// Descriptor-relative file calls for code that must not be redirected by links. Failures
// answer the errno; EINTR is retried where the call allows it. Each call can be made to fail
// by a test through FsFaults (fs_faults.h). Thread-safe.

// openat(2) with O_CLOEXEC added; `mode` applies with O_CREAT.
std::expected<UniqueFd, int> openAt(int directoryFd, const std::string& name, int flags,
                                    mode_t mode = 0);
std::expected<void, int> changeMode(int fd, mode_t mode);
// Loops over partial writes. A write that returns 0 counts as EIO. `name` (the file's last
// component) lets a test fail only the writes to that file.
std::expected<void, int> writeAll(int fd, std::span<const std::uint8_t> bytes,
                                  std::string_view name = {});
// One read(2) into `buffer`: the bytes read, 0 at the end of the file.
std::expected<std::size_t, int> readSome(int fd, std::span<std::uint8_t> buffer);
std::expected<void, int> truncateFile(int fd, off_t length);
std::expected<void, int> syncFile(int fd);
std::expected<void, int> syncDirectory(int fd);
std::expected<void, int> renameAt(int directoryFd, const std::string& from, const std::string& to);
std::expected<void, int> unlinkAt(int directoryFd, const std::string& name);
// Swaps two names of one folder in one step (renameat2 RENAME_EXCHANGE), so that what `to`
// named is kept under `from`; EINVAL where the file system cannot. Fails as renameAt does.
std::expected<void, int> exchangeAt(int directoryFd, const std::string& from,
                                    const std::string& to);
// renameat2 RENAME_NOREPLACE: EEXIST when `to` exists. Fails as renameAt does.
std::expected<void, int> renameNoReplaceAt(int directoryFd, const std::string& from,
                                           const std::string& to);
// fchown and fchownat without following links.
std::expected<void, int> changeOwner(int fd, uid_t owner, gid_t group);
std::expected<void, int> changeOwnerAt(int directoryFd, const std::string& name, uid_t owner,
                                       gid_t group);

// Reads to the end in 4096-byte chunks, stopping as soon as more than `limit` bytes arrived.
struct BoundedReadFailure {
  bool tooLarge = false;
  int code = 0;  // errno when not tooLarge
};
std::expected<std::vector<std::uint8_t>, BoundedReadFailure> readAtMost(int fd, std::size_t limit);

}  // namespace vigilix::platform
