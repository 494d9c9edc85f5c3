#include "testing/temporary_root.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/fs/file_system.h"
#include "platform/fs/fs_faults.h"

namespace vigilix::testing {

using platform::FileSystem;

TemporaryRoot::TemporaryRoot() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      (std::filesystem::path(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") / "vigilix-root-XXXXXX")
          .string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary root: " + pattern);
  }
  path_ = pattern;
  std::filesystem::create_directories(home());
  FileSystem::setRoot(path_);
  FileSystem::setHomeDirectory(home());
}

TemporaryRoot::~TemporaryRoot() {
  FileSystem::setRoot(std::nullopt);
  FileSystem::setHomeDirectory(std::nullopt);
  FileSystem::clearInjectedFailures();
  platform::FsFaults::clear();
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TemporaryRoot::pathFor(std::string_view systemPath) const {
  return FileSystem::pathFor(systemPath);
}

}  // namespace vigilix::testing
