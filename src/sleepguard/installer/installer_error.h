#pragma once

#include <expected>
#include <ostream>
#include <string>

#include "sleepguard/common/installer_values.h"

namespace vigilix {

// The text replies carry: the detail of `failed` and `rolledBack`, the case
// name of the two others.
std::string detailText(const VGXInstallerError& error);
// The case name with the detail in parentheses and double quotes
// (failed("no previous")), as the notes of a roll-back or clean-up show a failure.
std::string description(const VGXInstallerError& error);

// For test failure messages.
inline void PrintTo(const VGXInstallerError& error, std::ostream* out) {
  *out << description(error);
}
inline void PrintTo(const std::expected<void, VGXInstallerError>& result, std::ostream* out) {
  if (result) {
    *out << "success";
  } else {
    *out << description(result.error());
  }
}

}  // namespace vigilix
