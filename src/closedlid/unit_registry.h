#pragma once

#include <expected>
#include <string>
#include <string_view>

namespace vigilix {

// A refusal of the service manager.
struct VGXUnitError {
  bool notAuthorized = false;  // polkit refused (or the user cancelled its prompt)
  bool noSuchUnit = false;
  std::string message;
  bool operator==(const VGXUnitError&) const = default;
};

// A unit as the service manager reports it.
struct VGXUnitReading {
  std::string unitFileState;  // "enabled", "disabled", ...
  std::string activeState;    // "active", "inactive", ...
  bool operator==(const VGXUnitReading&) const = default;
};

// The system's service manager, for the units of the installer. Calls block
// on the system bus.
class VGXUnitRegistry {
 public:
  virtual ~VGXUnitRegistry() = default;
  virtual std::expected<VGXUnitReading, VGXUnitError> read(std::string_view unit) = 0;
  // Enabling asks polkit interactively.
  virtual std::expected<void, VGXUnitError> enableAndStart(std::string_view unit) = 0;
  virtual std::expected<void, VGXUnitError> disableAndStop(std::string_view unit) = 0;
};

}  // namespace vigilix
