#include "direct/container_migration.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "direct/migration_files.h"
#include "health/protection_verifier.h"
#include "platform/base/date_format.h"
#include "platform/base/logger.h"
#include "platform/defaults/live_user_defaults.h"
#include "platform/defaults/property_list_codec.h"
#include "platform/defaults/user_defaults.h"
#include "platform/fs/descriptor_calls.h"
#include "platform/fs/file_facts.h"
#include "platform/fs/standard_folders.h"
#include "platform/runloop/clock.h"

namespace vigilix {

namespace {

constexpr std::string_view kFailurePrefix = "Vigilix could not copy your previous settings. ";

const platform::Logger& migrationLog() {
  static const platform::Logger logger("migration");
  return logger;
}

}  // namespace

ContainerMigrationPlaces ContainerMigrationPlaces::standard() {
  using platform::StandardFolder;
  const Path container = platform::FileSystem::homeDirectory() / ".var/app/run.tarvo.vigilix";
  const Path state = platform::standardFolder(StandardFolder::logs);
  return {
      .containerDataRoot = container,
      .oldPreferencesFile =
          container / "config/vigilix" / (std::string(platform::kStandardDomain) + ".plist"),
      .oldSupportFolder = container / "data/vigilix",
      .appSupportDestination = platform::standardFolder(StandardFolder::appData),
      .stateFile = state / "migration-state.json",
      .logFile = state / "migration.log",
  };
}

VGXContainerMigration::VGXContainerMigration(ContainerMigrationPlaces places,
                                             std::shared_ptr<platform::DefaultsStore> destination)
    : places_(std::move(places)), destination_(std::move(destination)) {}

VGXContainerMigration VGXContainerMigration::makeDefault() {
  return VGXContainerMigration(
      ContainerMigrationPlaces::standard(),
      std::make_shared<platform::PlistDefaultsStore>(platform::defaultsFilesFor(
          platform::kStandardDomain, false, platform::currentUserName())));
}

VGXMigrationOutcome VGXContainerMigration::run() {
  auto current = destination_->readUserValues();
  if (!current && current.error().kind != platform::DefaultsError::Kind::Damaged) {
    // Values that cannot be read must not be written over with a merge.
    return {VGXMigrationOutcome::Kind::failed,
            std::string(kFailurePrefix) + current.error().message};
  }
  platform::PropertyDictionary values = current.value_or(platform::PropertyDictionary{});
  if (values.contains(kContainerMigrationVersionKey)) {
    return {VGXMigrationOutcome::Kind::alreadyDone, {}};
  }
  loadProvenanceIfEmpty();
  log("Checking the previous settings container");
  try {
    const auto container = migration_files::attributes(places_.containerDataRoot);
    if (!container) {
      writeMarker({}, 1);
      log("No previous container; migration not needed");
      return {VGXMigrationOutcome::Kind::notNeeded, {}};
    }
    if (!container->isDirectory) {
      throw MigrationError{"The previous settings container is not a folder."};
    }
    if (auto listing = platform::FileSystem::list(places_.containerDataRoot); !listing) {
      throw MigrationError{std::strerror(listing.error().code)};
    }

    platform::PropertyDictionary added;
    if (!migration_files::attributes(places_.oldPreferencesFile)) {
      log("No previous preferences file");
    } else {
      log("Reading previous preferences");
      const auto bytes = platform::FileSystem::readFile(places_.oldPreferencesFile);
      if (!bytes) throw MigrationError{std::strerror(bytes.error().code)};
      const auto decoded = platform::decodePropertyList(*bytes);
      if (!decoded || !decoded->isDictionary()) {
        throw MigrationError{
            "The previous preferences file does not contain a settings dictionary."};
      }
      for (const auto& [key, value] : std::get<platform::PropertyDictionary>(decoded->value)) {
        if (!values.contains(key)) added.emplace(key, value);
      }
    }

    if (const auto support = migration_files::attributes(places_.oldSupportFolder)) {
      if (!support->isDirectory) {
        throw MigrationError{"The previous application support folder is not a folder."};
      }
      if (isInsideContainer(places_.appSupportDestination)) {
        throw MigrationError{kDestinationInsideText};
      }
      copyDirectory(places_.oldSupportFolder, places_.appSupportDestination, "");
    }

    if (!writeMarker(std::move(added), 1)) {
      throw MigrationError{"The settings could not be saved."};
    }
    log("Files verified; preferences and migration marker saved");
    return {VGXMigrationOutcome::Kind::migrated, {}};
  } catch (const MigrationError& error) {
    const std::string message = std::string(kFailurePrefix) + error.text;
    log(message);
    return {VGXMigrationOutcome::Kind::failed, message};
  }
}

bool VGXContainerMigration::writeMarker(platform::PropertyDictionary values, std::int64_t marker) {
  values[kContainerMigrationVersionKey] = marker;
  platform::DefaultsChanges changes;
  for (auto& [key, value] : values) changes.emplace(key, std::move(value));
  const auto written = destination_->writeUserValues(changes);
  if (!written)
    migrationLog().log("Saving the migrated settings failed: {}", written.error().message);
  return written.has_value();
}

void VGXContainerMigration::log(std::string_view message) const {
  if (!places_.logFile) return;
  const std::string line =
      platform::iso8601Text(platform::Clock::current().now()) + " " + std::string(message) + "\n";
  if (auto appended = migration_files::appendLine(*places_.logFile, line); !appended) {
    migrationLog().log("Vigilix migration log unavailable: {}", std::strerror(appended.error()));
  }
}

bool VGXContainerMigration::isInsideContainer(const Path& path) const {
  const auto item = platform::FileSystem::resolved(path);
  const auto container = platform::FileSystem::resolved(places_.containerDataRoot);
  // What cannot be resolved cannot be shown to lie outside.
  if (!item || !container) return true;
  const std::string itemText = item->string();
  const std::string containerText = container->string();
  return itemText == containerText || itemText.starts_with(containerText + "/");
}

void VGXContainerMigration::loadProvenanceIfEmpty() {
  if (!provenance_.empty()) return;
  if (const auto text = platform::FileSystem::readFile(places_.stateFile)) {
    provenance_ = decodeMigrationProvenance(*text);
  }
}

void VGXContainerMigration::record(const std::string& relativePath,
                                   MigrationProvenance provenance) {
  provenance_[relativePath] = provenance;
  const auto written = platform::FileSystem::writeFileAtomically(
      places_.stateFile, encodeMigrationProvenance(provenance_));
  if (!written) migrationLog().log("Recording the migration failed: {}", written.error().message);
}

std::optional<std::string> runContainerMigrationAtLaunch() {
  const VGXMigrationOutcome outcome = VGXContainerMigration::makeDefault().run();
  if (outcome.kind == VGXMigrationOutcome::Kind::failed) return outcome.message;
  return std::nullopt;
}

VGXHealthLine containerMigrationHealthLine() {
  // What cannot be looked at is not known to be absent.
  const auto facts = platform::factsOfPath(ContainerMigrationPlaces::standard().containerDataRoot);
  const bool found = facts || (facts.error() != ENOENT && facts.error() != ENOTDIR);
  return VGXProtectionVerifier::migrationHealthLine(platform::UserDefaults::standard(), found);
}

void startFreshContainerMigration() { VGXContainerMigration::makeDefault().startFresh(); }

}  // namespace vigilix
