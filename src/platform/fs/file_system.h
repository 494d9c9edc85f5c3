#pragma once

#include <sys/types.h>

#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/date.h"

namespace vigilix::platform {

struct FileError {
  int code = 0;  // errno
  std::string path;
  std::string message;

  bool isNotFound() const;
  bool operator==(const FileError&) const = default;
};

// The file system as the system sees it. System paths ("/etc/...", "/var/...",
// "/run/...") are mapped under a root: the one a test sets, else
// $VIGILIX_ROOT when it is an absolute path (for checks of the built
// program), else "/". The home folder can be moved the same way. Thread-safe.
class FileSystem {
 public:
  using Path = std::filesystem::path;

  static Path root();
  // nullopt goes back to $VIGILIX_ROOT, else the real root "/".
  static void setRoot(std::optional<Path> root);
  // Maps an absolute system path inside the root. ".." never leads out of it.
  static Path pathFor(std::string_view systemPath);

  // Live: $HOME (or the password database's entry).
  static Path homeDirectory();
  // nullopt restores the live home folder.
  static void setHomeDirectory(std::optional<Path> home);
  // Whether a home folder was set in place of the live one (tests): then the
  // XDG variables are not read either, so nothing reaches the real home.
  static bool isHomeDirectorySet();

  static std::expected<std::string, FileError> readFile(const Path& path);
  // A small file the kernel makes up whole at each read (/proc/<pid>/stat): one read, since an
  // answer shorter than a page is the whole file; a page-full answer is read on to the end.
  // The process table is read this way once per process per pass, so one call fewer counts.
  static std::expected<std::string, FileError> readGeneratedFile(const Path& path);
  // Whether the new contents must have reached the disk when a write returns. A file that is
  // rewritten on every agent event and only read for diagnostics needs only never to be seen
  // half-written, and two flushes would cost more than the rest of the hook's run.
  enum class Flush { toDisk, no };
  // Temp file in the same folder, write, fsync, rename over `path`, fsync
  // the folder. With Flush::no: no fsync, and the temp file is exchanged with `path`, whose old
  // contents are then unlinked, so the file system does not write the new one out at once (a
  // power cut may bring it back empty). Creates missing folders. Readers see the old or the
  // new contents, never a mix.
  static std::expected<void, FileError> writeFileAtomically(const Path& path,
                                                            std::string_view contents,
                                                            mode_t mode = 0644,
                                                            Flush flush = Flush::toDisk);
  // The same, but never replaces: fails with EEXIST when `path` exists.
  static std::expected<void, FileError> createFileAtomically(const Path& path,
                                                             std::string_view contents,
                                                             mode_t mode = 0644);
  // The file a path names after following symbolic links in its last component (relative
  // targets taken from the link's folder), so that a file kept elsewhere by a dotfile manager
  // is edited where it lives. A missing path, or a link to a missing file, answers the path
  // where the file would be; ELOOP after 40 links.
  static std::expected<Path, FileError> linkTarget(const Path& path);
  // Renames `path` to "<name>.damaged-<UTC time>" beside it (with "-2", "-3"
  // ... when that exists), never replacing an earlier one. Answers the new path.
  static std::expected<Path, FileError> moveAside(const Path& path, Date at);
  // Keeps `contents` (what was read from `path`, which stays in place, say
  // because a lock is held on it) under the name moveAside would give it.
  static std::expected<Path, FileError> keepAside(const Path& path, std::string_view contents,
                                                  Date at);
  static bool exists(const Path& path);
  // Removing what does not exist succeeds.
  static std::expected<void, FileError> remove(const Path& path);
  // Creates the folder and any missing folders above it; an existing folder succeeds.
  static std::expected<void, FileError> createFolders(const Path& folder);
  // The path with every symbolic link of its existing part resolved, the missing rest appended,
  // and "." and ".." taken out.
  static std::expected<Path, FileError> resolved(const Path& path);
  // The names in a folder, sorted.
  static std::expected<std::vector<std::string>, FileError> list(const Path& folder);

  // Makes an operation on one path fail with `errorCode` (an errno value),
  // whatever the file's modes, until cleared. For tests (CI runs as root).
  // Write: both atomic writes.
  enum class Operation { Read, Write, MoveAside, Remove, List, CreateFolders };
  static void injectFailure(Operation operation, const Path& path, int errorCode);
  static void clearInjectedFailures();
};

}  // namespace vigilix::platform
