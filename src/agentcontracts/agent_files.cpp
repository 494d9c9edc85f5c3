#include "agentcontracts/agent_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "platform/fs/descriptor_calls.h"
#include "platform/fs/file_lock.h"
#include "platform/fs/file_system.h"
#include "platform/fs/stale_temporaries.h"
#include "platform/json/json_reader.h"
#include "platform/json/json_writer.h"
#include "platform/runloop/clock.h"

namespace vigilix {

namespace json = platform::json;
using platform::FileSystem;

const platform::Logger& agentFilesLog() {
  static const platform::Logger logger("agent-files");
  return logger;
}

std::expected<json::Value, VGXAgentFileError> readAgentDocumentForUpdate(
    const std::filesystem::path& path, const std::function<bool(const json::Value&)>& wellFormed) {
  auto text = FileSystem::readFile(path);
  if (!text) {
    if (text.error().isNotFound()) return json::Value();
    return std::unexpected(VGXAgentFileError{text.error().message});
  }
  auto document = json::parse(*text);
  if (document && wellFormed(*document)) return std::move(*document);
  auto moved = FileSystem::moveAside(path, platform::Clock::current().now());
  if (!moved) {
    agentFilesLog().error("Damaged file {} cannot be moved aside: {}", path.string(),
                          moved.error().message);
    return std::unexpected(VGXAgentFileError{"damaged file " + path.string() +
                                             " cannot be moved aside: " + moved.error().message});
  }
  agentFilesLog().error("Damaged file {} moved aside to {}; starting empty", path.string(),
                        moved->string());
  return json::Value();
}

std::expected<void, VGXAgentFileError> writeAgentDocument(const std::filesystem::path& path,
                                                          const json::Value& document) {
  auto text = json::write(document, {.sortedKeys = true, .prettyPrinted = true});
  if (!text) return std::unexpected(VGXAgentFileError{"cannot encode " + path.string()});
  // The hook log and the version cache: diagnostics and a cache, rewritten on agent events.
  auto written = FileSystem::writeFileAtomically(path, *text, 0644, FileSystem::Flush::no);
  if (!written) return std::unexpected(VGXAgentFileError{written.error().message});
  return {};
}

std::expected<void, VGXAgentFileError> updateAgentDocument(
    const std::filesystem::path& path, const std::function<bool(const json::Value&)>& wellFormed,
    const std::function<void(json::Value& document)>& edit) {
  auto lock = platform::FileLock::acquireExclusiveOnFolder(path.parent_path());
  if (!lock) {
    return std::unexpected(VGXAgentFileError{"cannot lock " + path.parent_path().string() + ": " +
                                             std::strerror(lock.error())});
  }
  const std::string fileName = path.filename().string();
  platform::removeStaleTemporaries(lock->descriptor(), [&](std::string_view name) {
    return platform::atomicWriteTarget(name) == fileName;
  });
  auto document = readAgentDocumentForUpdate(path, wellFormed);
  if (!document) return std::unexpected(std::move(document.error()));
  edit(*document);
  return writeAgentDocument(path, *document);
}

namespace {

VGXAgentFileError failure(std::string_view what, const std::filesystem::path& file, int code) {
  return VGXAgentFileError{std::string(what) + " " + file.string() + ": " + std::strerror(code)};
}

}  // namespace

std::expected<void, VGXAgentFileError> updateLockedFile(const std::filesystem::path& file,
                                                        std::size_t limit,
                                                        const VGXLockedFileUpdate& update) {
  // A folder that cannot be made shows as the open's failure.
  (void)platform::FileSystem::createFolders(file.parent_path());
  auto opened = platform::openAt(AT_FDCWD, file.string(), O_RDWR | O_CREAT, 0644);
  if (!opened) return std::unexpected(failure("cannot open", file, opened.error()));
  auto locked = platform::FileLock::acquireExclusive(std::move(*opened));
  if (!locked) return std::unexpected(failure("cannot lock", file, locked.error()));
  const int fd = locked->descriptor();

  auto bytes = platform::readAtMost(fd, limit);
  if (!bytes && !bytes.error().tooLarge) {
    return std::unexpected(failure("cannot read", file, bytes.error().code));
  }
  std::optional<std::string> contents;
  if (bytes) contents.emplace(bytes->begin(), bytes->end());
  auto replacement = update(contents);
  if (!replacement) return std::unexpected(std::move(replacement.error()));
  if (!*replacement) return {};

  const std::string& text = **replacement;
  if (::lseek(fd, 0, SEEK_SET) != 0) return std::unexpected(failure("cannot seek", file, errno));
  if (auto written =
          platform::writeAll(fd, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
      !written) {
    return std::unexpected(failure("cannot write", file, written.error()));
  }
  if (auto cut = platform::truncateFile(fd, static_cast<off_t>(text.size())); !cut) {
    return std::unexpected(failure("cannot truncate", file, cut.error()));
  }
  return {};
}

}  // namespace vigilix
