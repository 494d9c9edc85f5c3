#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "platform/crypto/sha256.h"
#include "platform/fs/file_facts.h"
#include "platform/fs/file_system.h"

namespace vigilix {

// A failure that ends a migration run; `text` is shown to the user.
struct MigrationError {
  std::string text;
};

inline constexpr const char* kDestinationInsideText =
    "The destination points inside the previous settings container. Choose a separate "
    "destination.";

// The file calls of the settings migration, none of which follows a link in the last
// component.
namespace migration_files {

using Path = platform::FileSystem::Path;

// The item's facts, none when it does not exist; other failures throw.
std::optional<platform::FileFacts> attributes(const Path& path);
// Appends one line, creating the file and its folders; the errno on failure.
std::expected<void, int> appendLine(const Path& file, std::string_view line);
// Copies the regular file `source` to the new file `target` (which must not exist) and syncs
// it. Throws with the system's description.
void copyFile(const Path& source, const Path& target);
// Read in 1 MiB pieces, so that a large file never sits whole in memory. Throws.
platform::Sha256Digest digestOf(const Path& file);

}  // namespace migration_files

}  // namespace vigilix
