#include "sleepguard/installer/installer_error.h"

namespace vigilix {

namespace {

std::string_view caseName(VGXInstallerError::Kind kind) {
  switch (kind) {
    case VGXInstallerError::Kind::failed:
      return "failed";
    case VGXInstallerError::Kind::rolledBack:
      return "rolledBack";
    case VGXInstallerError::Kind::inUseByAnotherUser:
      return "inUseByAnotherUser";
    case VGXInstallerError::Kind::maintenancePending:
      return "maintenancePending";
  }
  return "failed";
}

bool carriesText(VGXInstallerError::Kind kind) {
  return kind == VGXInstallerError::Kind::failed || kind == VGXInstallerError::Kind::rolledBack;
}

}  // namespace

std::string VGXInstallerError::detail() const {
  return carriesText(kind) ? text : std::string(caseName(kind));
}

std::string VGXInstallerError::description() const {
  std::string out(caseName(kind));
  if (!carriesText(kind)) return out;
  out += "(\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\")";
}

}  // namespace vigilix
