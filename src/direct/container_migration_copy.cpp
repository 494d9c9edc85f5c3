#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "direct/container_migration.h"
#include "direct/migration_files.h"
#include "platform/fs/descriptor_calls.h"

namespace vigilix {

void VGXContainerMigration::copyDirectory(const Path& source, const Path& destination,
                                          const std::string& relativePath) {
  if (isInsideContainer(destination)) throw MigrationError{kDestinationInsideText};
  const auto names = platform::FileSystem::list(source);
  if (!names) throw MigrationError{std::strerror(names.error().code)};
  for (const std::string& name : *names) {
    const std::string childPath = relativePath.empty() ? name : relativePath + "/" + name;
    const auto facts = migration_files::attributes(source / name);
    if (!facts) {
      throw MigrationError{"The previous file " + name +
                           " disappeared while it was being copied. Please try again."};
    }
    if (facts->isDirectory) {
      copyDirectory(source / name, destination / name, childPath);
    } else if (facts->isRegularFile) {
      copyFile(source / name, destination, childPath);
    } else {
      log("Skipping non-regular item: " + name);
    }
  }
}

void VGXContainerMigration::copyFile(const Path& source, const Path& folder,
                                     const std::string& relativePath) {
  const std::string name = source.filename().string();
  const Path target = folder / name;
  if (isInsideContainer(folder) || isInsideContainer(target)) {
    throw MigrationError{kDestinationInsideText};
  }
  if (migration_files::attributes(target)) {
    log("Keeping existing file: " + name);
    // A file copied by an earlier, interrupted run stays ours to remove.
    if (!provenance_.contains(relativePath)) {
      record(relativePath, MigrationProvenance::existedBefore);
    }
    return;
  }
  if (auto made = platform::FileSystem::createFolders(folder); !made) {
    throw MigrationError{std::strerror(made.error().code)};
  }
  const Path temporary = folder / (name + ".vigilix-migrating");
  if (migration_files::attributes(temporary)) {
    if (auto removed = platform::FileSystem::remove(temporary); !removed) {
      throw MigrationError{std::strerror(removed.error().code)};
    }
    log("Removed interrupted copy: " + name);
  }
  log("Copying file: " + name);
  migration_files::copyFile(source, temporary);
  if (afterTemporaryCopy) afterTemporaryCopy(temporary);
  if (migration_files::digestOf(source) != migration_files::digestOf(temporary)) {
    // A copy known to be wrong must not be taken for an interrupted one next time.
    (void)platform::FileSystem::remove(temporary);
    record(relativePath, MigrationProvenance::failed);
    throw MigrationError{"The copy of " + name + " could not be verified. Please try again."};
  }
  if (auto moved = platform::renameNoReplaceAt(AT_FDCWD, temporary.string(), target.string());
      !moved) {
    throw MigrationError{std::strerror(moved.error())};
  }
  record(relativePath, MigrationProvenance::copied);
  log("Verified and installed file: " + name);
}

}  // namespace vigilix
