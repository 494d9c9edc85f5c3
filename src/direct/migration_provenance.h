#pragma once

#include <map>
#include <string>
#include <string_view>

namespace vigilix {

// What the settings migration did with one support file, so that Start Fresh removes only
// what it put there.
enum class MigrationProvenance { copied, existedBefore, failed };

// Paths relative to the support folder (components joined with "/") to what was done.
using MigrationProvenanceRecord = std::map<std::string, MigrationProvenance>;

// The state file's text: one flat JSON object of path to "copied", "existedBefore" or
// "failed". Text that is not such an object reads as empty; entries with another value are
// dropped, since nothing can be said of them.
MigrationProvenanceRecord decodeMigrationProvenance(std::string_view text);
// Keys sorted, no spaces.
std::string encodeMigrationProvenance(const MigrationProvenanceRecord& record);

}  // namespace vigilix
