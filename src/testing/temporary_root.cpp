#include "testing/temporary_root.h"

#include <string>

#include "platform/fs/file_system.h"
#include "platform/fs/fs_faults.h"
#include "testing/temporary_folder.h"

namespace vigilix::testing {

using platform::FileSystem;

TemporaryRoot::TemporaryRoot() : path_(makeTemporaryFolder("vigilix-root")) {
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
