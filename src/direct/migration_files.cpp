#include "direct/migration_files.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "platform/fs/descriptor_calls.h"

namespace vigilix::migration_files {

namespace {

constexpr std::size_t kChunk = 1024 * 1024;

[[noreturn]] void fail(int code) { throw MigrationError{std::strerror(code)}; }

platform::UniqueFd openOrThrow(const Path& path, int flags, mode_t mode = 0) {
  auto fd = platform::openAt(AT_FDCWD, path.string(), flags | O_NOFOLLOW, mode);
  if (!fd) fail(fd.error());
  return std::move(*fd);
}

}  // namespace

std::optional<platform::FileFacts> attributes(const Path& path) {
  const auto facts = platform::factsOfPath(path);
  if (facts) return *facts;
  if (facts.error() == ENOENT || facts.error() == ENOTDIR) return std::nullopt;
  fail(facts.error());
}

std::expected<void, int> appendLine(const Path& file, std::string_view line) {
  if (auto made = platform::FileSystem::createFolders(file.parent_path()); !made) {
    return std::unexpected(made.error().code);
  }
  auto fd =
      platform::openAt(AT_FDCWD, file.string(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW, 0644);
  if (!fd) return std::unexpected(fd.error());
  return platform::writeAll(
      fd->get(), std::span(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()),
      file.filename().string());
}

void copyFile(const Path& source, const Path& target) {
  const auto from = openOrThrow(source, O_RDONLY);
  const auto to = openOrThrow(target, O_WRONLY | O_CREAT | O_EXCL, 0644);
  const std::string name = target.filename().string();
  std::vector<std::uint8_t> buffer(kChunk);
  for (;;) {
    const auto count = platform::readSome(from.get(), buffer);
    if (!count) fail(count.error());
    if (*count == 0) break;
    if (auto written = platform::writeAll(to.get(), std::span(buffer).first(*count), name);
        !written) {
      fail(written.error());
    }
  }
  if (auto synced = platform::syncFile(to.get()); !synced) fail(synced.error());
}

platform::Sha256Digest digestOf(const Path& file) {
  const auto fd = openOrThrow(file, O_RDONLY);
  platform::Sha256Stream digest;
  std::vector<std::uint8_t> buffer(kChunk);
  for (;;) {
    const auto count = platform::readSome(fd.get(), buffer);
    if (!count) fail(count.error());
    if (*count == 0) return digest.finish();
    digest.update(std::string_view(reinterpret_cast<const char*>(buffer.data()), *count));
  }
}

}  // namespace vigilix::migration_files
