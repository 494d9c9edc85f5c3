#pragma once

#include <filesystem>
#include <string_view>

namespace vigilix::testing {

// A temporary folder that stands for the whole file system while it lives:
// system paths map inside it and the home folder is "<root>/Users/tester".
// Destruction restores the live root and home, clears injected file-system
// failures and removes the folder.
class TemporaryRoot {
 public:
  TemporaryRoot();
  ~TemporaryRoot();
  TemporaryRoot(const TemporaryRoot&) = delete;
  TemporaryRoot& operator=(const TemporaryRoot&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path home() const { return path_ / "Users/tester"; }
  // The real path of a system path ("/Library/...") inside this root.
  std::filesystem::path pathFor(std::string_view systemPath) const;

 private:
  std::filesystem::path path_;
};

}  // namespace vigilix::testing
