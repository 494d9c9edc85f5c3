#include "direct/backup/backup_programs.h"

#include <algorithm>

namespace vigilix {

bool isBackupProgram(std::string_view processName) {
  return std::ranges::find(kBackupPrograms, processName) != kBackupPrograms.end();
}

}  // namespace vigilix
