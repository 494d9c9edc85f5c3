#pragma once

#include <array>
#include <string_view>

namespace vigilix {

// The backup programs whose run keeps the computer awake, by the name their
// process carries in the process table. Linux has no system-wide backup tool,
// so this list is the one place that says what counts as a backup.
inline constexpr std::array<std::string_view, 9> kBackupPrograms = {
    "deja-dup",  "duplicity", "restic",     "borg",          "borgmatic",
    "timeshift", "rsnapshot", "backintime", "backintime-qt",
};

bool isBackupProgram(std::string_view processName);

}  // namespace vigilix
