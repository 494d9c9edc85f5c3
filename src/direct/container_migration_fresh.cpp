#include <algorithm>
#include <ranges>
#include <string_view>
#include <vector>

#include "direct/container_migration.h"
#include "platform/fs/descriptor_calls.h"
#include "platform/fs/file_facts.h"
#include "platform/fs/no_follow_walk.h"
#include "platform/fs/path_component.h"

namespace vigilix {

namespace {

// The key's components when it names a path strictly below the destination, else none.
std::optional<std::vector<std::string>> safeComponents(const std::string& key) {
  if (key.empty() || key.front() == '/') return std::nullopt;
  std::vector<std::string> components;
  for (const auto part : std::views::split(key, '/')) {
    std::string component(part.begin(), part.end());
    if (!platform::isSinglePathComponent(component)) return std::nullopt;
    components.push_back(std::move(component));
  }
  return components;
}

}  // namespace

void VGXContainerMigration::removeCopiedFile(const Path& destinationRoot,
                                             const std::string& relativePath) const {
  auto components = safeComponents(relativePath);
  if (!components) {
    log("Start Fresh kept an entry that does not name a file inside the destination: " +
        relativePath);
    return;
  }
  const std::string name = components->back();
  components->pop_back();
  // Walking from the resolved destination without following links keeps every step inside it.
  const auto folder =
      platform::openDirectoryNoFollow(destinationRoot, *components, [](int) { return true; });
  if (!folder) {
    log("Start Fresh kept " + relativePath + " because its folder is not a plain folder");
    return;
  }
  const auto facts = platform::factsAt(folder->get(), name);
  if (!facts) return;  // already gone
  if (!facts->isRegularFile) {
    log("Start Fresh kept " + relativePath + " because it is not a regular file");
    return;
  }
  if (auto removed = platform::unlinkAt(folder->get(), name); !removed) {
    log("Start Fresh could not remove " + relativePath);
  }
}

void VGXContainerMigration::startFresh() {
  loadProvenanceIfEmpty();
  const bool anyCopied = std::ranges::any_of(
      provenance_, [](const auto& entry) { return entry.second == MigrationProvenance::copied; });
  if (anyCopied) {
    if (isInsideContainer(places_.appSupportDestination)) {
      log("Start Fresh kept files because the destination is inside the previous settings "
          "container");
    } else if (const auto root = platform::FileSystem::resolved(places_.appSupportDestination)) {
      for (const auto& [relativePath, provenance] : provenance_) {
        if (provenance == MigrationProvenance::copied) removeCopiedFile(*root, relativePath);
      }
    }
  }
  writeMarker({}, 2);
  log("User chose Start Fresh; migration marker saved");
}

}  // namespace vigilix
