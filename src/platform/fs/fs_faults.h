#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace vigilix::platform {

// The descriptor calls (descriptor_calls.h, acl_facts.h, file_lock.h) that a test can make
// fail, since running as root defeats failures made with file modes.
enum class FsCall {
  statPath,       // lstat of a path
  statAt,         // fstatat without following links
  stat,           // fstat
  openAt,         // openat, including creating a file
  changeMode,     // fchmod
  changeOwner,    // fchown, fchownat
  write,          // one whole write (see FsFault::writtenFirst)
  read,           // read
  syncFile,       // fsync of a file
  syncDirectory,  // fsync of a directory
  rename,         // renameat, renameat2; the name is the source
  unlink,         // unlinkat
  lock,           // flock
  truncate,       // ftruncate
  readAcl,        // acl_get_fd
};

struct FsFault {
  // FsFault::failing(FsCall::rename, EIO).on("journal.json").after(1)
  static FsFault failing(FsCall call, int errorCode) {
    FsFault fault;
    fault.call = call;
    fault.errorCode = errorCode;
    return fault;
  }
  FsFault on(std::string fileName) && {
    name = std::move(fileName);
    return std::move(*this);
  }
  FsFault after(int passing) && {
    skip = passing;
    return std::move(*this);
  }
  FsFault writingFirst(std::size_t bytes) && {
    writtenFirst = bytes;
    return std::move(*this);
  }

  FsCall call = FsCall::openAt;
  int errorCode = 0;  // errno
  // Only calls on this name (the last path component) fail; empty: any name.
  std::string name;
  // How many matching calls pass before the failing one.
  int skip = 0;
  // A failing write first writes this many bytes for real, as a power cut mid-write would.
  std::size_t writtenFirst = 0;
};

// Injected faults hit one call each and are then gone. Thread-safe.
class FsFaults {
 public:
  static void inject(FsFault fault);
  static void clear();
  // Consumes the fault that fails this call, if any. Names that are not known pass "".
  static std::optional<FsFault> take(FsCall call, std::string_view name = {});
};

}  // namespace vigilix::platform
