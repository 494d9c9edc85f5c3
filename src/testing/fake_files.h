#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/system/file_resources.h"

namespace vigilix::testing {

// An in-memory file tree. While it lives it is the file layer in force
// (platform::FileResources::current()); one at a time. Paths are absolute; parent folders
// appear as needed. Reads of chosen items can be made to fail.
class FakeFiles final : public platform::FileResources {
 public:
  FakeFiles();
  ~FakeFiles() override;
  FakeFiles(const FakeFiles&) = delete;
  FakeFiles& operator=(const FakeFiles&) = delete;

  void addFile(const std::string& path, std::int64_t size);
  void addDirectory(const std::string& path);
  // `target` is absolute, or relative to the link's folder.
  void addSymbolicLink(const std::string& path, const std::string& target);
  void setSize(const std::string& path, std::int64_t size);
  // Leaves a regular file whose size cannot be read.
  void setSizeUnknown(const std::string& path);
  // Removes the item and everything below it.
  void remove(const std::string& path);
  // Moves the item and everything below it.
  void move(const std::string& from, const std::string& to);

  // Reading the resource values of `path` (alone or within a listing) fails.
  void failResourceValues(const std::string& path, bool fail = true);
  // Listing the folder at `path` fails.
  void failListing(const std::string& path, bool fail = true);

  bool fileExists(const std::string& path) const override;
  std::expected<platform::FileResourceValues, platform::FileError> resourceValues(
      const std::string& path) const override;
  std::expected<std::vector<platform::DirectoryEntry>, platform::FileError> contentsOfDirectory(
      const std::string& path) const override;

  // How many folders were listed so far.
  int listingCount() const { return listingCount_; }

 private:
  enum class Kind { file, directory, link };
  struct Node {
    Kind kind = Kind::file;
    std::optional<std::int64_t> size;
    std::string target;
  };

  static std::string normalized(const std::string& path);
  void addParents(const std::string& path);
  const Node* find(const std::string& path) const;

  std::map<std::string, Node> nodes_;
  std::set<std::string> failingValues_;
  std::set<std::string> failingListings_;
  mutable int listingCount_ = 0;
};

}  // namespace vigilix::testing
