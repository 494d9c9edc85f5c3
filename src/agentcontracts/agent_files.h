#pragma once

#include <expected>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/base/logger.h"
#include "platform/json/value.h"

namespace vigilix {

// Why an agent state file could not be read or written: the file's path and
// the system's words.
struct VGXAgentFileError {
  std::string message;

  bool operator==(const VGXAgentFileError&) const = default;
};

const platform::Logger& agentFilesLog();

// Reads the JSON document at `path` before it is replaced: null when there is
// no file. A file that is not JSON or fails `wellFormed` is moved aside,
// logged, and read as null; one that cannot be read or moved aside is an
// error, so the caller writes nothing over it. Any thread; no lock.
std::expected<platform::json::Value, VGXAgentFileError> readAgentDocumentForUpdate(
    const std::filesystem::path& path,
    const std::function<bool(const platform::json::Value&)>& wellFormed);

// Writes `document` pretty-printed with sorted keys, atomically (missing
// folders are made).
std::expected<void, VGXAgentFileError> writeAgentDocument(const std::filesystem::path& path,
                                                          const platform::json::Value& document);

// Reads the document at `path` for update as above, lets `edit` change it and writes it back,
// holding the lock on its folder throughout: concurrent updates of one file never lose each
// other's changes, and the temporary files of writes that were killed are removed first.
std::expected<void, VGXAgentFileError> updateAgentDocument(
    const std::filesystem::path& path,
    const std::function<bool(const platform::json::Value&)>& wellFormed,
    const std::function<void(platform::json::Value& document)>& edit);

// What `updateLockedFile` hands over: the file's bytes, none when there are more than the limit.
// What it answers replaces them; none leaves the file as it is.
using VGXLockedFileUpdate =
    std::function<std::expected<std::optional<std::string>, VGXAgentFileError>(
        const std::optional<std::string>& contents)>;

// Opens `file` (making it, mode 0644, and its folder), holds an exclusive lock on it from the
// read to the write and rewrites it in place: the new bytes first, then the cut to their
// length, so that a failure never leaves it empty. Blocks while another process holds the lock.
std::expected<void, VGXAgentFileError> updateLockedFile(const std::filesystem::path& file,
                                                        std::size_t limit,
                                                        const VGXLockedFileUpdate& update);

}  // namespace vigilix
