#include <fcntl.h>

#include "platform/base/uuid.h"
#include "platform/fs/descriptor_calls.h"
#include "platform/fs/file_lock.h"
#include "sleepguard/core/secure_directory_checks.h"
#include "sleepguard/core/secure_directory_store.h"

namespace vigilix {

using secure_store_detail::checkRecordFile;
using secure_store_detail::ioError;

namespace {

// Unlinks a temporary name on every path out of a write that did not rename it.
class TemporaryName {
 public:
  TemporaryName(int directoryFd, std::string name)
      : directoryFd_(directoryFd), name_(std::move(name)) {}
  ~TemporaryName() {
    if (!forgotten_) (void)platform::unlinkAt(directoryFd_, name_);
  }
  TemporaryName(const TemporaryName&) = delete;
  TemporaryName& operator=(const TemporaryName&) = delete;

  const std::string& name() const { return name_; }
  // After the rename, or when the name was never created: nothing to unlink.
  void forget() { forgotten_ = true; }

 private:
  int directoryFd_;
  std::string name_;
  bool forgotten_ = false;
};

}  // namespace

VGXFileRead VGXSecureDirectoryStore::read(const VGXGuardFile& file) {
  auto directory = openVerifiedDirectory();
  if (!directory) return VGXFileRead::storeError(directory.error().description());
  // Non-blocking, so that a FIFO put in a record's place cannot stall the open.
  auto opened =
      platform::openAt(directory->get(), file.fileName(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
  if (!opened) {
    if (opened.error() == ENOENT) return VGXFileRead::absent();
    return VGXFileRead::error(ioError("open file", opened.error()).description());
  }
  if (auto checked = checkRecordFile(opened->get()); !checked) {
    return VGXFileRead::error(checked.error().description());
  }
  auto bytes = platform::readAtMost(opened->get(), kVGXGuardRecordSizeLimit);
  if (!bytes) {
    const auto failure =
        bytes.error().tooLarge ? ioError("record too large") : ioError("read", bytes.error().code);
    return VGXFileRead::error(failure.description());
  }
  return VGXFileRead::data(std::move(*bytes));
}

std::expected<void, VGXGuardError> VGXSecureDirectoryStore::write(const VGXGuardFile& file,
                                                                  const platform::Bytes& data) {
  return writeRecord(file, data, true);
}

std::expected<void, VGXGuardError> VGXSecureDirectoryStore::writeUnflushed(
    const VGXGuardFile& file, const platform::Bytes& data) {
  return writeRecord(file, data, false);
}

std::expected<void, VGXGuardError> VGXSecureDirectoryStore::writeRecord(const VGXGuardFile& file,
                                                                        const platform::Bytes& data,
                                                                        bool flush) {
  if (data.size() > kVGXGuardRecordSizeLimit) return std::unexpected(ioError("record too large"));
  auto directory = openVerifiedDirectory();
  if (!directory) return std::unexpected(directory.error());
  // Shared with other writes, never with a store removing temporary files.
  auto held = platform::FileLock::acquireShared(std::move(*directory));
  if (!held) return std::unexpected(ioError("flock", held.error()));
  const int dir = held->descriptor();

  TemporaryName temporary(dir, ".tmp-" + platform::UUID::generate().uuidString());
  auto opened =
      platform::openAt(dir, temporary.name(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
  if (!opened) {
    temporary.forget();
    return std::unexpected(ioError("create", opened.error()));
  }
  // The creation mask may have narrowed or widened the mode.
  if (auto changed = platform::changeMode(opened->get(), 0600); !changed) {
    return std::unexpected(ioError("chmod", changed.error()));
  }
  if (auto checked = checkRecordFile(opened->get()); !checked) {
    return std::unexpected(checked.error());
  }
  if (auto written = platform::writeAll(opened->get(), data); !written) {
    return std::unexpected(ioError("write", written.error()));
  }
  if (flush) {
    if (auto synced = platform::syncFile(opened->get()); !synced) {
      return std::unexpected(ioError("fsync file", synced.error()));
    }
  }
  if (!flush) {
    // Swapped in rather than renamed over: ext4 flushes a file renamed over
    // another, a wait on the disk. The old record, now under the temporary
    // name, goes with it; one a crash leaves is removed at the next opening.
    if (platform::exchangeAt(dir, temporary.name(), file.fileName())) return {};
  }
  if (auto renamed = platform::renameAt(dir, temporary.name(), file.fileName()); !renamed) {
    return std::unexpected(ioError("rename", renamed.error()));
  }
  temporary.forget();
  if (!flush) return {};
  if (auto synced = platform::syncDirectory(dir); !synced) {
    return std::unexpected(ioError("fsync directory", synced.error()));
  }
  return {};
}

std::expected<void, VGXGuardError> VGXSecureDirectoryStore::remove(const VGXGuardFile& file) {
  auto directory = openVerifiedDirectory();
  if (!directory) return std::unexpected(directory.error());
  if (auto removed = platform::unlinkAt(directory->get(), file.fileName());
      !removed && removed.error() != ENOENT) {
    return std::unexpected(ioError("unlink", removed.error()));
  }
  if (auto synced = platform::syncDirectory(directory->get()); !synced) {
    return std::unexpected(ioError("fsync directory", synced.error()));
  }
  return {};
}

std::expected<void, VGXGuardError> VGXSecureDirectoryStore::quarantine(const VGXGuardFile& file) {
  auto directory = openVerifiedDirectory();
  if (!directory) return std::unexpected(directory.error());
  const std::string aside = file.fileName() + ".corrupt-" + platform::UUID::generate().uuidString();
  if (auto renamed = platform::renameAt(directory->get(), file.fileName(), aside); !renamed) {
    return std::unexpected(ioError("quarantine", renamed.error()));
  }
  if (auto synced = platform::syncDirectory(directory->get()); !synced) {
    return std::unexpected(ioError("fsync directory", synced.error()));
  }
  return {};
}

}  // namespace vigilix
