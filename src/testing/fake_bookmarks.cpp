#include "testing/fake_bookmarks.h"

#include <cerrno>
#include <charconv>

#include "testing/fake_files.h"

namespace vigilix::testing {

namespace {

constexpr std::string_view kPrefix = "fake-bookmark:";

}  // namespace

FakeBookmarks::FakeBookmarks(const FakeFiles* files) : files_(files) {
  platform::BookmarkService::setCurrent(this);
}

FakeBookmarks::~FakeBookmarks() { platform::BookmarkService::setCurrent(nullptr); }

void FakeBookmarks::fileMoved(const std::string& from, const std::string& to) {
  for (auto& [id, target] : targets_) {
    if (target == from) {
      target = to;
    } else if (target.starts_with(from + "/")) {
      target = to + target.substr(from.size());
    }
  }
}

void FakeBookmarks::refuseBookmark(const std::string& path) { refused_.insert(path); }

void FakeBookmarks::breakBookmarks(const std::string& path) {
  for (const auto& [id, target] : targets_) {
    if (target == path) broken_.insert(id);
  }
}

std::expected<platform::Bytes, platform::FileError> FakeBookmarks::createBookmark(
    const std::string& path) {
  if (refused_.contains(path)) {
    return std::unexpected(platform::FileError{EACCES, path, "refused"});
  }
  if (files_ && !files_->fileExists(path)) {
    return std::unexpected(platform::FileError{ENOENT, path, "no such file"});
  }
  const int id = nextId_++;
  targets_[id] = path;
  const std::string text = std::string(kPrefix) + std::to_string(id);
  return platform::Bytes(text.begin(), text.end());
}

std::optional<std::string> FakeBookmarks::resolveBookmark(const platform::Bytes& bookmark) {
  const std::string text(bookmark.begin(), bookmark.end());
  if (!text.starts_with(kPrefix)) return std::nullopt;
  int id = 0;
  const char* first = text.data() + kPrefix.size();
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(first, last, id);
  if (error != std::errc() || end != last) return std::nullopt;
  const auto found = targets_.find(id);
  if (found == targets_.end() || broken_.contains(id)) return std::nullopt;
  if (files_ && !files_->fileExists(found->second)) return std::nullopt;
  return found->second;
}

bool FakeBookmarks::startAccessing(const std::string& path) {
  if (!grantsAccess_) return false;
  ++held_[path];
  return true;
}

void FakeBookmarks::stopAccessing(const std::string& path) {
  stopped_.push_back(path);
  const auto found = held_.find(path);
  if (found == held_.end()) return;
  if (--found->second <= 0) held_.erase(found);
}

}  // namespace vigilix::testing
