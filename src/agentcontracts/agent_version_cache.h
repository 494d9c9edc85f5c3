#pragma once

#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "agentcontracts/agent_files.h"

namespace vigilix {

// Agent tool versions by executable: a JSON object of key to version text (1
// to 64 characters). The key changes when the executable is replaced or
// touched, so an old entry is never consulted again; entries are never
// removed. No lock; any thread.
namespace VGXAgentVersionCache {

// "<path>|<device>:<inode>|<modification time in seconds since 1970>", the
// time in its shortest exact decimal form ("1700000000.25", "0.0" when the
// file system gives none); none when the file cannot be examined.
std::optional<std::string> cacheKey(const std::filesystem::path& executable);
// None when there is no key, no readable cache, or no usable entry.
std::optional<std::string> cachedVersion(const std::filesystem::path& executable,
                                         const std::filesystem::path& cacheFile);
// Stores the version without surrounding white space, cut to 64 characters.
// Nothing is written without a key; a damaged cache is moved aside and a new
// one begun; one that cannot be read is left alone (the error says why).
std::expected<void, VGXAgentFileError> store(std::string_view version,
                                             const std::filesystem::path& executable,
                                             const std::filesystem::path& cacheFile);

}  // namespace VGXAgentVersionCache

}  // namespace vigilix
