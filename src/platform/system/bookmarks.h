#pragma once

#include <expected>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/property_value.h"
#include "platform/system/file_resources.h"

namespace vigilix::platform {

// Read-only bookmarks of watched files, and the scoped access that goes with
// them: access granted by `startAccessing` is held until the matching
// `stopAccessing`.
class BookmarkService {
 public:
  virtual ~BookmarkService() = default;

  // A bookmark of the item at `path`; an error when it cannot be made.
  virtual std::expected<Bytes, FileError> createBookmark(const std::string& path) = 0;
  // The item's current path, or none when the bookmark no longer leads to it.
  virtual std::optional<std::string> resolveBookmark(const Bytes& bookmark) = 0;
  // Whether access was granted (and so must be given back).
  virtual bool startAccessing(const std::string& path) = 0;
  virtual void stopAccessing(const std::string& path) = 0;

  // The instance in force: the live service unless a test installed one.
  static BookmarkService& current();
  // Installs an instance (nullptr restores the live one). For tests.
  static void setCurrent(BookmarkService* service);
};

// A bookmark that records the path together with the device and inode of
// the item, and resolves only while the item at that path is still the same
// one. Nothing confines file access on this system, so access is always
// granted; it is counted so that unbalanced releases show.
class LiveBookmarkService final : public BookmarkService {
 public:
  std::expected<Bytes, FileError> createBookmark(const std::string& path) override;
  std::optional<std::string> resolveBookmark(const Bytes& bookmark) override;
  bool startAccessing(const std::string& path) override;
  void stopAccessing(const std::string& path) override;

  // Paths with access held, and how many times each.
  std::map<std::string, int> accessCounts() const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, int> access_;
};

}  // namespace vigilix::platform
