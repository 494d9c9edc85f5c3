// Writes the installer's own units, rendered from the unit table, into a
// folder at build time, for `cmake --install`.
#include <cstdio>
#include <fstream>
#include <string>

#include "sleepguard/common/guard_units.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: vigilix-render-units <folder>\n", stderr);
    return 64;
  }
  for (const std::string& unit : vigilix::VGXInstallerUnitNames()) {
    std::ofstream out(std::string(argv[1]) + "/" + unit, std::ios::binary | std::ios::trunc);
    out << vigilix::VGXRenderUnit(unit);
    if (!out) {
      std::fprintf(stderr, "vigilix-render-units: cannot write %s\n", unit.c_str());
      return 1;
    }
  }
  return 0;
}
