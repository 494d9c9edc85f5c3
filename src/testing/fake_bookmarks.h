#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/system/bookmarks.h"

namespace vigilix::testing {

class FakeFiles;

// Bookmarks that follow a moved item, as the system's do. While it lives it
// is the bookmark service in force; one at a time. With a file tree given,
// a bookmark of a missing item cannot be made and one whose item is gone
// no longer resolves.
class FakeBookmarks final : public platform::BookmarkService {
 public:
  explicit FakeBookmarks(const FakeFiles* files = nullptr);
  ~FakeBookmarks() override;
  FakeBookmarks(const FakeBookmarks&) = delete;
  FakeBookmarks& operator=(const FakeBookmarks&) = delete;

  // Bookmarks of `from` (and of items below it) now lead to `to`.
  void fileMoved(const std::string& from, const std::string& to);
  // Making a bookmark of `path` fails.
  void refuseBookmark(const std::string& path);
  // Bookmarks made of `path` no longer resolve.
  void breakBookmarks(const std::string& path);
  // Whether `startAccessing` grants access (true by default).
  void setGrantsAccess(bool grants) { grantsAccess_ = grants; }

  std::expected<platform::Bytes, platform::FileError> createBookmark(
      const std::string& path) override;
  std::optional<std::string> resolveBookmark(const platform::Bytes& bookmark) override;
  bool startAccessing(const std::string& path) override;
  void stopAccessing(const std::string& path) override;

  // Access granted and not yet given back, by path.
  const std::map<std::string, int>& heldAccess() const { return held_; }
  const std::vector<std::string>& stoppedAccess() const { return stopped_; }

 private:
  const FakeFiles* files_;
  std::map<int, std::string> targets_;
  std::set<int> broken_;
  std::set<std::string> refused_;
  std::map<std::string, int> held_;
  std::vector<std::string> stopped_;
  bool grantsAccess_ = true;
  int nextId_ = 1;
};

}  // namespace vigilix::testing
