#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/defaults/defaults_store.h"
#include "platform/fs/file_system.h"
#include "platform/fs/file_version.h"

namespace vigilix::platform {

// The property-list files of one domain.
struct DefaultsFiles {
  FileSystem::Path user;
  // Managed values; where two files hold a key, the later one wins.
  std::vector<FileSystem::Path> managed;
  FileSystem::Path anyUser;
};

// The files where the standard folders put them (platform/fs/standard_folders.h):
// the user's in the configuration home, managed and any-user ones under the
// file-system root. A domain or suite name stays one file inside its folder.
DefaultsFiles defaultsFilesFor(const std::string& domain, bool isSuite,
                               const std::string& userName);

// The managed-preferences folder as a real path.
FileSystem::Path managedPreferencesFolder();
// The managed files named `fileName` in `folder`: the machine-wide one, then the user's
// ("<folder>/<userName>/<fileName>") when `userName` is a single path component.
std::vector<FileSystem::Path> managedPreferenceFiles(const FileSystem::Path& folder,
                                                     const std::string& fileName,
                                                     const std::string& userName);

// Keeps the user's values in one XML property list (binary when a value
// cannot be written exactly as XML; both are read), written atomically and
// only when a value changed; the file is read again only when it changed
// since the last reading. A file that cannot be decoded is moved aside and
// reported, never written over. Opening removes the temporary files that
// killed writes left beside the user's file. Managed and any-user files belong to the
// administrator: a damaged one is reported and ignored, but left in place.
class PlistDefaultsStore final : public DefaultsStore {
 public:
  explicit PlistDefaultsStore(DefaultsFiles files);

  std::expected<PropertyDictionary, DefaultsError> readUserValues() override;
  std::expected<void, DefaultsError> writeUserValues(const DefaultsChanges& changes) override;
  PropertyDictionary readManagedValues() override;
  PropertyDictionary readAnyUserValues() override;

  const DefaultsFiles& files() const { return files_; }

 private:
  std::expected<PropertyDictionary, DefaultsError> readUserLocked();
  void removeStaleTemporaryFiles();

  DefaultsFiles files_;
  // The user's file as last read, and what it held then.
  std::optional<FileVersion> readVersion_;
  PropertyDictionary readValues_;
};

}  // namespace vigilix::platform
