#pragma once

#include <string>

namespace vigilix {

// The installer engine's error. Only `failed` and `rolledBack` carry a detail.
struct VGXInstallerError {
  enum class Kind { failed, rolledBack, inUseByAnotherUser, maintenancePending };
  Kind kind = Kind::failed;
  std::string detail;

  static VGXInstallerError failed(std::string detail) { return {Kind::failed, std::move(detail)}; }
  static VGXInstallerError rolledBack(std::string detail) {
    return {Kind::rolledBack, std::move(detail)};
  }
  static VGXInstallerError inUseByAnotherUser() { return {Kind::inUseByAnotherUser, {}}; }
  static VGXInstallerError maintenancePending() { return {Kind::maintenancePending, {}}; }
  bool operator==(const VGXInstallerError&) const = default;
};

// What the installer reports of the guard's installation.
struct VGXInstallerStatus {
  bool installed = false;
  bool current = false;
  bool maintenance = false;
  bool operator==(const VGXInstallerStatus&) const = default;
};

}  // namespace vigilix
