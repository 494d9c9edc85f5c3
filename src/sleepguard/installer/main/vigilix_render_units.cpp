// Writes the installer's own units, rendered from the unit table, into a
// folder when `cmake --install` runs, so that they name the programs under
// the prefix of that install (given in VIGILIX_INSTALL_PREFIX).
#include <cstdio>
#include <string>

#include "platform/fs/file_system.h"
#include "sleepguard/common/guard_units.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: VIGILIX_INSTALL_PREFIX=<prefix> vigilix-render-units <folder>\n", stderr);
    return 64;
  }
  for (const std::string& unit : vigilix::VGXInstallerUnitNames()) {
    const auto path = vigilix::platform::FileSystem::Path(argv[1]) / unit;
    const auto written =
        vigilix::platform::FileSystem::writeFileAtomically(path, vigilix::VGXRenderUnit(unit));
    if (!written) {
      std::fprintf(stderr, "vigilix-render-units: cannot write %s: %s\n", path.c_str(),
                   written.error().message.c_str());
      return 1;
    }
  }
  return 0;
}
