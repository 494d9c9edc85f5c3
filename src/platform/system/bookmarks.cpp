#include "platform/system/bookmarks.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/base/current_instance.h"

namespace vigilix::platform {

namespace {

constinit CurrentInstance<BookmarkService> currentService{
    &processLifetimeInstance<BookmarkService, LiveBookmarkService>};

// Layout: magic, device (8 bytes, little-endian), inode (8 bytes), path bytes.
constexpr std::string_view kMagic = "VGXBMRK1";
constexpr std::size_t kHeaderSize = kMagic.size() + 16;

void appendUint64(Bytes& out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t readUint64(const Bytes& in, std::size_t offset) {
  std::uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value |= static_cast<std::uint64_t>(in[offset + i]) << (8 * i);
  return value;
}

}  // namespace

BookmarkService& BookmarkService::current() { return currentService.get(); }

void BookmarkService::setCurrent(BookmarkService* service) { currentService.install(service); }

std::expected<Bytes, FileError> LiveBookmarkService::createBookmark(const std::string& path) {
  struct stat info {};
  if (path.empty() || path.front() != '/') {
    return std::unexpected(FileError{EINVAL, path, "not an absolute path"});
  }
  if (::stat(path.c_str(), &info) != 0) {
    const int code = errno;
    return std::unexpected(FileError{code, path, std::strerror(code)});
  }
  Bytes bookmark(kMagic.begin(), kMagic.end());
  appendUint64(bookmark, static_cast<std::uint64_t>(info.st_dev));
  appendUint64(bookmark, static_cast<std::uint64_t>(info.st_ino));
  bookmark.insert(bookmark.end(), path.begin(), path.end());
  return bookmark;
}

std::optional<std::string> LiveBookmarkService::resolveBookmark(const Bytes& bookmark) {
  if (bookmark.size() <= kHeaderSize) return std::nullopt;
  if (!std::equal(kMagic.begin(), kMagic.end(), bookmark.begin())) return std::nullopt;
  const std::uint64_t device = readUint64(bookmark, kMagic.size());
  const std::uint64_t inode = readUint64(bookmark, kMagic.size() + 8);
  std::string path(bookmark.begin() + kHeaderSize, bookmark.end());
  if (path.find('\0') != std::string::npos) return std::nullopt;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  // Another item now at the same path is not the one bookmarked.
  if (static_cast<std::uint64_t>(info.st_dev) != device ||
      static_cast<std::uint64_t>(info.st_ino) != inode) {
    return std::nullopt;
  }
  return path;
}

bool LiveBookmarkService::startAccessing(const std::string& path) {
  std::lock_guard lock(mutex_);
  ++access_[path];
  return true;
}

void LiveBookmarkService::stopAccessing(const std::string& path) {
  std::lock_guard lock(mutex_);
  const auto found = access_.find(path);
  if (found == access_.end()) return;
  if (--found->second <= 0) access_.erase(found);
}

std::map<std::string, int> LiveBookmarkService::accessCounts() const {
  std::lock_guard lock(mutex_);
  return access_;
}

}  // namespace vigilix::platform
