#include "sleepguard/installer/installer_error.h"

#include <string_view>

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

bool carriesDetail(VGXInstallerError::Kind kind) {
  return kind == VGXInstallerError::Kind::failed || kind == VGXInstallerError::Kind::rolledBack;
}

}  // namespace

std::string detailText(const VGXInstallerError& error) {
  return carriesDetail(error.kind) ? error.detail : std::string(caseName(error.kind));
}

std::string description(const VGXInstallerError& error) {
  std::string out(caseName(error.kind));
  if (!carriesDetail(error.kind)) return out;
  out += "(\"";
  for (const char c : error.detail) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\")";
}

}  // namespace vigilix
