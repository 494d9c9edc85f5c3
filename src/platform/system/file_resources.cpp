#include "platform/system/file_resources.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/base/current_instance.h"

namespace vigilix::platform {

namespace {

constinit CurrentInstance<FileResources> currentResources{
    &processLifetimeInstance<FileResources, LiveFileResources>};

FileError errorFor(int code, const std::string& path) {
  return FileError{code, path, std::strerror(code)};
}

FileResourceValues valuesOf(const struct stat& info) {
  FileResourceValues values;
  values.isDirectory = S_ISDIR(info.st_mode);
  values.isRegularFile = S_ISREG(info.st_mode);
  values.isSymbolicLink = S_ISLNK(info.st_mode);
  values.fileSize = static_cast<std::int64_t>(info.st_size);
  return values;
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

FileResources& FileResources::current() { return currentResources.get(); }

void FileResources::setCurrent(FileResources* resources) { currentResources.install(resources); }

bool LiveFileResources::fileExists(const std::string& path) const {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

std::expected<FileResourceValues, FileError> LiveFileResources::resourceValues(
    const std::string& path) const {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return std::unexpected(errorFor(errno, path));
  return valuesOf(info);
}

std::expected<std::vector<DirectoryEntry>, FileError> LiveFileResources::contentsOfDirectory(
    const std::string& path) const {
  std::unique_ptr<DIR, DirCloser> dir(::opendir(path.c_str()));
  if (!dir) return std::unexpected(errorFor(errno, path));
  const std::string prefix = !path.empty() && path.back() == '/' ? path : path + "/";
  std::vector<DirectoryEntry> entries;
  for (;;) {
    errno = 0;
    const struct dirent* entry = ::readdir(dir.get());
    if (!entry) {
      if (errno != 0) return std::unexpected(errorFor(errno, path));
      break;
    }
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string entryPath = prefix + name;
    entries.push_back(DirectoryEntry{entryPath, resourceValues(entryPath)});
  }
  return entries;
}

}  // namespace vigilix::platform
