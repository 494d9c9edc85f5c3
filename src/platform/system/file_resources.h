#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <vector>

#include "platform/fs/file_system.h"

namespace vigilix::platform {

// The four resource values the download check reads of one item. They
// describe the item itself: a symbolic link is reported as a link, never
// as what it points at. A value that is not known is absent.
struct FileResourceValues {
  std::optional<bool> isDirectory;
  std::optional<bool> isRegularFile;
  std::optional<std::int64_t> fileSize;
  std::optional<bool> isSymbolicLink;

  bool operator==(const FileResourceValues&) const = default;
};

// One entry of a directory listing, its values read with the listing.
struct DirectoryEntry {
  std::string path;
  std::expected<FileResourceValues, FileError> values;
};

// The file operations the watches call on: existence, resource values and
// the direct contents of a folder (hidden items included, no order promised).
class FileResources {
 public:
  virtual ~FileResources() = default;

  // Whether something exists at `path`, following a symbolic link at the end.
  virtual bool fileExists(const std::string& path) const = 0;
  virtual std::expected<FileResourceValues, FileError> resourceValues(
      const std::string& path) const = 0;
  virtual std::expected<std::vector<DirectoryEntry>, FileError> contentsOfDirectory(
      const std::string& path) const = 0;

  // The instance in force: the live file system unless a test installed one.
  static FileResources& current();
  // Installs an instance (nullptr restores the live one). For tests.
  static void setCurrent(FileResources* resources);
};

// The real file system.
class LiveFileResources final : public FileResources {
 public:
  bool fileExists(const std::string& path) const override;
  std::expected<FileResourceValues, FileError> resourceValues(
      const std::string& path) const override;
  std::expected<std::vector<DirectoryEntry>, FileError> contentsOfDirectory(
      const std::string& path) const override;
};

}  // namespace vigilix::platform
