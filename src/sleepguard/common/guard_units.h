#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vigilix {

// One line of a unit file: `key=value` in `section` of `unit`.
struct VGXUnitEntry {
  std::string unit;
  std::string section;
  std::string key;
  std::string value;
};

// Every line of the guard's and the installer's units, in file order.
const std::vector<VGXUnitEntry>& VGXGuardUnitTable();

// The units the installer writes for the guard: the service and its two sockets.
std::vector<std::string> VGXGuardUnitNames();
// The installer's own units, installed with the package.
std::vector<std::string> VGXInstallerUnitNames();

// The text of one unit of the table: a comment naming the associated
// application, then each section with its lines, sections parted by an
// empty line. Empty for a unit the table does not hold.
std::string VGXRenderUnit(std::string_view unit);

}  // namespace vigilix
