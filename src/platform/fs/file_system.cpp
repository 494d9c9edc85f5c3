#include "platform/fs/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/fs/descriptor_calls.h"
#include "platform/fs/unique_fd.h"

namespace vigilix::platform {

namespace {

using Path = FileSystem::Path;

struct State {
  std::mutex mutex;
  std::optional<Path> root;
  std::optional<Path> home;
  std::map<std::pair<FileSystem::Operation, std::string>, int> failures;
  // Read without the lock, so that the live path pays one load when nothing is injected.
  std::atomic<bool> anyFailure{false};
};

State& state() {
  static auto* instance = new State();
  return *instance;
}

FileError errorFor(int code, const Path& path, std::string_view what) {
  return FileError{code, path.string(),
                   std::string(what) + " " + path.string() + ": " + std::strerror(code)};
}

std::optional<FileError> injected(FileSystem::Operation operation, const Path& path,
                                  std::string_view what) {
  auto& s = state();
  if (!s.anyFailure.load(std::memory_order_relaxed)) return std::nullopt;
  std::lock_guard lock(s.mutex);
  auto found = s.failures.find({operation, path.lexically_normal().string()});
  if (found == s.failures.end()) return std::nullopt;
  return errorFor(found->second, path, what);
}

std::string utcStamp(Date at) {
  double seconds = std::floor(at.timeIntervalSince1970());
  if (!std::isfinite(seconds)) seconds = 0;
  const auto time = static_cast<std::time_t>(seconds);
  std::tm parts{};
  ::gmtime_r(&time, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
  return text;
}

// Renames without ever replacing `to`: EEXIST when it exists.
int renameNoReplace(const Path& from, const Path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // The file system cannot rename exclusively: a hard link cannot replace either.
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  if (::unlink(from.c_str()) != 0) return errno;
  return 0;
}

// Puts `from` in place of `to` for a write that is not flushed. Renaming over a file makes ext4
// and btrfs write the new one out at once, which costs milliseconds on a busy disk and dominated
// an agent hook's run; exchanging the two and unlinking the old one does not. Readers still see
// the old or the new contents; a power cut may bring the file back empty, never mixed.
int replaceUnflushed(const Path& from, const Path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) != 0) {
    // Nothing there to exchange with, or a file system that cannot exchange.
    if (errno != ENOENT && errno != EINVAL && errno != ENOSYS) return errno;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  }
  // `from` now holds what `to` held; an old copy that cannot go is a stale temporary, cleared
  // later. A folder there would have failed the rename: it goes back.
  if (::unlink(from.c_str()) == 0 || errno != EISDIR) return 0;
  return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0 ? EISDIR
                                                                                         : errno;
}

}  // namespace

bool FileError::isNotFound() const { return code == ENOENT || code == ENOTDIR; }

Path FileSystem::root() {
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (s.root) return *s.root;
  }
  // A relative root would move with the working folder: only an absolute one counts.
  if (const char* moved = std::getenv("VIGILIX_ROOT"); moved != nullptr && *moved == '/') {
    return Path(moved).lexically_normal();
  }
  return Path("/");
}

void FileSystem::setRoot(std::optional<Path> root) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.root = std::move(root);
}

Path FileSystem::pathFor(std::string_view systemPath) {
  // Normalising as an absolute path drops every ".." that would climb above "/".
  const Path normal = (Path("/") / Path(systemPath)).lexically_normal();
  const Path base = root();
  if (base == Path("/")) return normal;
  return base / normal.relative_path();
}

Path FileSystem::homeDirectory() {
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (s.home) return *s.home;
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return Path(home);
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return Path(entry->pw_dir);
  }
  return Path("/");
}

void FileSystem::setHomeDirectory(std::optional<Path> home) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.home = std::move(home);
}

bool FileSystem::isHomeDirectorySet() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.home.has_value();
}

namespace {

// Reads to the end, except that a first read shorter than `wholeBelow` bytes is the whole file.
std::expected<std::string, FileError> readOpened(const FileSystem::Path& path,
                                                 std::size_t wholeBelow) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return std::unexpected(errorFor(errno, path, "cannot open"));
  std::string contents;
  char buffer[16384];
  for (;;) {
    const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
    if (count < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(errorFor(errno, path, "cannot read"));
    }
    if (count == 0) break;
    contents.append(buffer, static_cast<std::size_t>(count));
    if (contents.size() < wholeBelow) break;
    wholeBelow = 0;
  }
  return contents;
}

}  // namespace

std::expected<std::string, FileError> FileSystem::readFile(const Path& path) {
  if (auto failure = injected(Operation::Read, path, "cannot read")) {
    return std::unexpected(*failure);
  }
  return readOpened(path, 0);
}

std::expected<std::string, FileError> FileSystem::readGeneratedFile(const Path& path) {
  if (auto failure = injected(Operation::Read, path, "cannot read")) {
    return std::unexpected(*failure);
  }
  return readOpened(path, 4096);
}

namespace {

// Temp file in the same folder, write, fsync, then rename (or link without replacing) into
// place and fsync the folder.
std::expected<void, FileError> writeThroughTemporary(const Path& path, std::string_view contents,
                                                     mode_t mode, bool replace,
                                                     FileSystem::Flush flush) {
  const bool durable = flush == FileSystem::Flush::toDisk;
  const Path folder = path.has_parent_path() ? path.parent_path() : Path(".");
  std::error_code made;
  std::filesystem::create_directories(folder, made);
  if (made) return std::unexpected(errorFor(made.value(), folder, "cannot create folder"));

  std::string temp = (folder / ("." + path.filename().string() + ".tmp-XXXXXX")).string();
  UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (fd.get() < 0) return std::unexpected(errorFor(errno, temp, "cannot create"));
  auto failWith = [&](int code, std::string_view what) {
    ::unlink(temp.c_str());
    return std::unexpected(errorFor(code, path, what));
  };
  auto fail = [&](std::string_view what) { return failWith(errno, what); };
  if (::fchmod(fd.get(), mode) != 0) return fail("cannot set the mode of");
  if (auto written = writeAll(
          fd.get(), {reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size()});
      !written) {
    return failWith(written.error(), "cannot write");
  }
  if (durable && ::fsync(fd.get()) != 0) return fail("cannot flush");
  if (::close(fd.release()) != 0) return fail("cannot close");
  if (replace && durable) {
    if (::rename(temp.c_str(), path.c_str()) != 0) return fail("cannot replace");
  } else if (replace) {
    if (const int code = replaceUnflushed(temp, path); code != 0) {
      return failWith(code, "cannot replace");
    }
  } else if (const int code = renameNoReplace(temp, path); code != 0) {
    return failWith(code, "cannot create");
  }

  if (!durable) return {};
  // The rename is durable only once the folder itself is flushed.
  UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0 || ::fsync(dir.get()) != 0) {
    return std::unexpected(errorFor(errno, folder, "cannot flush folder"));
  }
  return {};
}

}  // namespace

std::expected<void, FileError> FileSystem::writeFileAtomically(const Path& path,
                                                               std::string_view contents,
                                                               mode_t mode, Flush flush) {
  if (auto failure = injected(Operation::Write, path, "cannot write")) {
    return std::unexpected(*failure);
  }
  return writeThroughTemporary(path, contents, mode, /*replace=*/true, flush);
}

std::expected<void, FileError> FileSystem::createFileAtomically(const Path& path,
                                                                std::string_view contents,
                                                                mode_t mode) {
  if (auto failure = injected(Operation::Write, path, "cannot create")) {
    return std::unexpected(*failure);
  }
  return writeThroughTemporary(path, contents, mode, /*replace=*/false, Flush::toDisk);
}

std::expected<Path, FileError> FileSystem::linkTarget(const Path& path) {
  Path current = path;
  for (int hops = 0; hops <= 40; ++hops) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0) {
      if (errno == ENOENT) return current;
      return std::unexpected(errorFor(errno, current, "cannot inspect"));
    }
    if (!S_ISLNK(info.st_mode)) return current;
    std::error_code error;
    const Path target = std::filesystem::read_symlink(current, error);
    if (error) return std::unexpected(errorFor(error.value(), current, "cannot read the link"));
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return std::unexpected(errorFor(ELOOP, path, "cannot follow"));
}

namespace {

// Places a damaged file's bytes under the first free "<path>.damaged-<stamp>[-n]"; `place`
// answers 0, or the errno of its failure (EEXIST: that name is taken).
template <typename Place>
std::expected<Path, FileError> placeAside(const Path& path, Date at, std::string_view what,
                                          Place&& place) {
  const std::string base = path.string() + ".damaged-" + utcStamp(at);
  for (int attempt = 1;; ++attempt) {
    const Path target = attempt == 1 ? Path(base) : Path(base + "-" + std::to_string(attempt));
    const int code = place(target);
    if (code == 0) return target;
    if (code != EEXIST) return std::unexpected(errorFor(code, path, what));
  }
}

}  // namespace

std::expected<Path, FileError> FileSystem::moveAside(const Path& path, Date at) {
  if (auto failure = injected(Operation::MoveAside, path, "cannot move aside")) {
    return std::unexpected(*failure);
  }
  return placeAside(path, at, "cannot move aside",
                    [&](const Path& target) { return renameNoReplace(path, target); });
}

std::expected<Path, FileError> FileSystem::keepAside(const Path& path, std::string_view contents,
                                                     Date at) {
  if (auto failure = injected(Operation::MoveAside, path, "cannot keep aside")) {
    return std::unexpected(*failure);
  }
  return placeAside(path, at, "cannot keep aside", [&](const Path& target) {
    auto made = writeThroughTemporary(target, contents, 0600, /*replace=*/false, Flush::toDisk);
    return made ? 0 : made.error().code;
  });
}

bool FileSystem::exists(const Path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

std::expected<void, FileError> FileSystem::remove(const Path& path) {
  if (auto failure = injected(Operation::Remove, path, "cannot remove")) {
    return std::unexpected(*failure);
  }
  std::error_code error;
  std::filesystem::remove(path, error);
  if (error) return std::unexpected(errorFor(error.value(), path, "cannot remove"));
  return {};
}

std::expected<void, FileError> FileSystem::createFolders(const Path& folder) {
  if (auto failure = injected(Operation::CreateFolders, folder, "cannot create the folder")) {
    return std::unexpected(*failure);
  }
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return std::unexpected(errorFor(error.value(), folder, "cannot create the folder"));
  return {};
}

std::expected<FileSystem::Path, FileError> FileSystem::resolved(const Path& path) {
  std::error_code error;
  Path result = std::filesystem::weakly_canonical(path, error);
  if (error) return std::unexpected(errorFor(error.value(), path, "cannot resolve"));
  return result;
}

std::expected<std::vector<std::string>, FileError> FileSystem::list(const Path& folder) {
  if (auto failure = injected(Operation::List, folder, "cannot list")) {
    return std::unexpected(*failure);
  }
  // The names as the kernel gives them, with no path made per entry: /proc is listed so at
  // every pass over the process table.
  const std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(folder.c_str()), ::closedir);
  if (!directory) return std::unexpected(errorFor(errno, folder, "cannot list"));
  std::vector<std::string> names;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(directory.get());
    if (entry == nullptr) {
      if (errno != 0) return std::unexpected(errorFor(errno, folder, "cannot list"));
      break;
    }
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void FileSystem::injectFailure(Operation operation, const Path& path, int errorCode) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.failures[{operation, path.lexically_normal().string()}] = errorCode;
  s.anyFailure.store(true, std::memory_order_relaxed);
}

void FileSystem::clearInjectedFailures() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.failures.clear();
  s.anyFailure.store(false, std::memory_order_relaxed);
}

}  // namespace vigilix::platform
