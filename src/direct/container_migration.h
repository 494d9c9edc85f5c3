#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "direct/migration_provenance.h"
#include "keepawake/health_line.h"
#include "platform/defaults/defaults_store.h"
#include "platform/fs/file_system.h"

namespace vigilix {

inline constexpr const char* kContainerMigrationVersionKey = "VGXContainerMigrationVersion";

// Where the settings of the former sandboxed (Flatpak) version lie and where they go.
struct ContainerMigrationPlaces {
  using Path = platform::FileSystem::Path;
  Path containerDataRoot;      // ~/.var/app/run.tarvo.vigilix
  Path oldPreferencesFile;     // its config/vigilix/run.tarvo.vigilix.plist
  Path oldSupportFolder;       // its data/vigilix
  Path appSupportDestination;  // $XDG_DATA_HOME/vigilix
  Path stateFile;              // what was copied, kept outside the destination
  std::optional<Path> logFile;

  // The places of the current user, from the standard folders.
  static ContainerMigrationPlaces standard();
};

struct VGXMigrationOutcome {
  enum class Kind { failed, notNeeded, migrated, alreadyDone };
  Kind kind = Kind::notNeeded;
  std::string message;  // for failed
  bool operator==(const VGXMigrationOutcome&) const = default;
};

// Carries the former version's preferences (merged, never overwriting) and support files
// (copied one by one, each verified by its digest before it takes its name) into this
// build's places once, and records a marker in the preferences so it never runs again.
// Main thread, before anything else reads the preferences.
class VGXContainerMigration {
 public:
  using Path = platform::FileSystem::Path;

  VGXContainerMigration(ContainerMigrationPlaces places,
                        std::shared_ptr<platform::DefaultsStore> destination);
  static VGXContainerMigration makeDefault();

  VGXMigrationOutcome run();
  // Removes the files this migration copied, and only those, and marks it given up.
  void startFresh();

  // Called after each temporary copy is written and before it is verified (tests).
  std::function<void(const Path& temporary)> afterTemporaryCopy;

 private:
  void log(std::string_view message) const;
  bool isInsideContainer(const Path& path) const;
  void loadProvenanceIfEmpty();
  void record(const std::string& relativePath, MigrationProvenance provenance);
  void copyDirectory(const Path& source, const Path& destination, const std::string& relativePath);
  void copyFile(const Path& source, const Path& folder, const std::string& relativePath);
  void removeCopiedFile(const Path& destinationRoot, const std::string& relativePath) const;
  bool writeMarker(platform::PropertyDictionary values, std::int64_t marker);

  ContainerMigrationPlaces places_;
  std::shared_ptr<platform::DefaultsStore> destination_;
  MigrationProvenanceRecord provenance_;
};

// The health check's migration line, told whether the previous version's container is there.
VGXHealthLine containerMigrationHealthLine();

// The launch bridge: the failure text to show, or none when there is nothing to ask.
std::optional<std::string> runContainerMigrationAtLaunch();
void startFreshContainerMigration();

}  // namespace vigilix
