#include "platform/defaults/plist_defaults_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/base/logger.h"
#include "platform/defaults/property_list_codec.h"
#include "platform/fs/file_lock.h"
#include "platform/fs/path_component.h"
#include "platform/fs/stale_temporaries.h"
#include "platform/fs/standard_folders.h"
#include "platform/fs/unique_fd.h"
#include "platform/runloop/clock.h"

namespace vigilix::platform {

namespace {

// The user's own file is XML, which a person can read and edit. Values XML
// cannot hold exactly (dates with fractions of a second, text that is not
// valid XML) keep the whole file binary rather than change.
std::expected<std::string, std::string> encodeUserFile(const PropertyValue& values) {
  auto xml = encodePropertyList(values, PropertyListFormat::Xml);
  if (xml && decodePropertyList(*xml) == values) return xml;
  return encodePropertyList(values, PropertyListFormat::Binary);
}

const Logger& log() {
  static const Logger logger("defaults");
  return logger;
}

enum class Decoded { Ok, Missing, Damaged, Unreadable };

struct ReadOutcome {
  Decoded state = Decoded::Missing;
  PropertyDictionary values;
  std::string message;
};

ReadOutcome readDictionary(const FileSystem::Path& path) {
  auto bytes = FileSystem::readFile(path);
  if (!bytes) {
    if (bytes.error().isNotFound()) return {Decoded::Missing, {}, {}};
    return {Decoded::Unreadable, {}, bytes.error().message};
  }
  auto decoded = decodePropertyList(*bytes);
  if (!decoded) return {Decoded::Damaged, {}, decoded.error()};
  if (!decoded->isDictionary()) return {Decoded::Damaged, {}, "top level is not a dictionary"};
  return {Decoded::Ok, std::get<PropertyDictionary>(std::move(decoded->value)), {}};
}

// Holds an exclusive lock on a folder while the user's file in it is read,
// merged and replaced, so that two writers cannot lose each other's keys.
class FolderLock {
 public:
  // Reading needs no folder that does not exist yet; writing creates it.
  FolderLock(const FileSystem::Path& folder, bool create) {
    if (create) {
      std::error_code ignored;
      std::filesystem::create_directories(folder, ignored);
    }
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) return;
    if (auto held = FileLock::acquireExclusive(std::move(fd))) lock_.emplace(std::move(*held));
  }

 private:
  std::optional<FileLock> lock_;
};

PropertyDictionary readSystemFile(const FileSystem::Path& path, std::string_view what) {
  auto outcome = readDictionary(path);
  switch (outcome.state) {
    case Decoded::Ok:
      return std::move(outcome.values);
    case Decoded::Missing:
      return {};
    case Decoded::Damaged:
      log().error("Ignoring damaged {} file {}: {}", what, path.string(), outcome.message);
      return {};
    case Decoded::Unreadable:
      log().error("Cannot read {} file: {}", what, outcome.message);
      return {};
  }
  return {};
}

}  // namespace

DefaultsFiles defaultsFilesFor(const std::string& domain, bool isSuite,
                               const std::string& userName) {
  DefaultsFiles files;
  files.user = propertyListFile(
      isSuite ? StandardFolder::appGroupPreferences : StandardFolder::userPreferences, domain);
  files.managed =
      managedPreferenceFiles(managedPreferencesFolder(), files.user.filename().string(), userName);
  files.anyUser = propertyListFile(StandardFolder::anyUserPreferences, domain);
  return files;
}

FileSystem::Path managedPreferencesFolder() {
  return standardFolder(StandardFolder::managedPreferences);
}

std::vector<FileSystem::Path> managedPreferenceFiles(const FileSystem::Path& folder,
                                                     const std::string& fileName,
                                                     const std::string& userName) {
  std::vector<FileSystem::Path> files{folder / fileName};
  if (isSinglePathComponent(userName)) files.push_back(folder / userName / fileName);
  return files;
}

PlistDefaultsStore::PlistDefaultsStore(DefaultsFiles files) : files_(std::move(files)) {
  removeStaleTemporaryFiles();
}

void PlistDefaultsStore::removeStaleTemporaryFiles() {
  const FileSystem::Path folder = files_.user.parent_path();
  if (!FileSystem::exists(folder)) return;
  // Every write of ours holds this lock while its temporary file exists, so
  // what is left now was left by a write that was killed.
  FolderLock lock(folder, false);
  const std::string fileName = files_.user.filename().string();
  removeStaleTemporaries(
      folder, [&](std::string_view name) { return atomicWriteTarget(name) == fileName; });
}

std::expected<PropertyDictionary, DefaultsError> PlistDefaultsStore::readUserValues() {
  FolderLock lock(files_.user.parent_path(), false);
  return readUserLocked();
}

std::expected<PropertyDictionary, DefaultsError> PlistDefaultsStore::readUserLocked() {
  // Taken before the reading: a change made during it shows at the next one.
  std::optional<FileVersion> version;
  if (auto found = versionOfPath(files_.user)) version = *found;
  if (version && version == readVersion_) return readValues_;
  readVersion_.reset();
  auto outcome = readDictionary(files_.user);
  const std::string path = files_.user.string();
  switch (outcome.state) {
    case Decoded::Ok:
      readVersion_ = version;
      readValues_ = outcome.values;
      return std::move(outcome.values);
    case Decoded::Missing:
      return PropertyDictionary{};
    case Decoded::Unreadable:
      log().error("Cannot read defaults: {}", outcome.message);
      return std::unexpected(
          DefaultsError{DefaultsError::Kind::Unreadable, path, outcome.message, std::nullopt});
    case Decoded::Damaged:
      break;
  }
  auto moved = FileSystem::moveAside(files_.user, Clock::current().now());
  if (!moved) {
    // Left where it is, it must not be written over either.
    log().error("Damaged defaults file {} ({}) cannot be moved aside: {}", path, outcome.message,
                moved.error().message);
    return std::unexpected(DefaultsError{DefaultsError::Kind::Unreadable, path,
                                         outcome.message + "; " + moved.error().message,
                                         std::nullopt});
  }
  log().error("Damaged defaults file {} ({}) moved aside to {}; starting empty", path,
              outcome.message, moved->string());
  return std::unexpected(
      DefaultsError{DefaultsError::Kind::Damaged, path, outcome.message, moved->string()});
}

std::expected<void, DefaultsError> PlistDefaultsStore::writeUserValues(
    const DefaultsChanges& changes) {
  FolderLock lock(files_.user.parent_path(), true);
  auto current = readUserLocked();
  PropertyDictionary values;
  if (current) {
    values = std::move(*current);
  } else if (current.error().kind != DefaultsError::Kind::Damaged) {
    return std::unexpected(current.error());
  }
  const std::string path = files_.user.string();
  std::string unstorable;
  // A damaged file, moved aside, is written anew even with no change.
  bool changed = !current;
  for (const auto& [key, value] : changes) {
    if (!value) {
      changed = values.erase(key) > 0 || changed;
      continue;
    }
    // One value the format cannot hold must not keep every other key unsaved.
    if (auto probe = encodePropertyList(*value, PropertyListFormat::Binary); !probe) {
      log().error("Cannot store {} in {}: {}", key, path, probe.error());
      unstorable += (unstorable.empty() ? "" : ", ") + key + ": " + probe.error();
      continue;
    }
    if (auto stored = values.find(key); stored != values.end() && stored->second == *value) {
      continue;
    }
    values[key] = *value;
    changed = true;
  }
  const auto outcome = [&]() -> std::expected<void, DefaultsError> {
    if (unstorable.empty()) return {};
    return std::unexpected(
        DefaultsError{DefaultsError::Kind::Unstorable, path, unstorable, std::nullopt});
  };
  if (!changed) return outcome();
  auto encoded = encodeUserFile(PropertyValue(std::move(values)));
  if (!encoded) {
    log().error("Cannot encode defaults for {}: {}", path, encoded.error());
    return std::unexpected(
        DefaultsError{DefaultsError::Kind::WriteFailed, path, encoded.error(), std::nullopt});
  }
  auto written = FileSystem::writeFileAtomically(files_.user, *encoded, 0600);
  if (!written) {
    log().error("Cannot write defaults: {}", written.error().message);
    return std::unexpected(DefaultsError{DefaultsError::Kind::WriteFailed, path,
                                         written.error().message, std::nullopt});
  }
  return outcome();
}

PropertyDictionary PlistDefaultsStore::readManagedValues() {
  PropertyDictionary merged;
  for (const auto& path : files_.managed) {
    for (auto& [key, value] : readSystemFile(path, "managed preferences")) {
      merged[key] = std::move(value);
    }
  }
  return merged;
}

PropertyDictionary PlistDefaultsStore::readAnyUserValues() {
  return readSystemFile(files_.anyUser, "preferences");
}

}  // namespace vigilix::platform
