#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace vigilix {

// How an install, update, uninstall or resume ended when it did not succeed.
// Only `failed` and `rolledBack` carry a text; equality compares the case and
// that text.
struct VGXInstallerError {
  enum class Kind { failed, rolledBack, inUseByAnotherUser, maintenancePending };
  Kind kind = Kind::failed;
  std::string text;

  static VGXInstallerError failed(std::string text) { return {Kind::failed, std::move(text)}; }
  static VGXInstallerError rolledBack(std::string text) {
    return {Kind::rolledBack, std::move(text)};
  }
  static VGXInstallerError inUseByAnotherUser() { return {Kind::inUseByAnotherUser, {}}; }
  static VGXInstallerError maintenancePending() { return {Kind::maintenancePending, {}}; }

  // The text replies carry: the payload of `failed` and `rolledBack`, the case
  // name of the two others.
  std::string detail() const;
  // The case name with the text in parentheses and double quotes
  // (failed("no previous")), as notes of a roll-back or clean-up show a failure.
  std::string description() const;

  bool operator==(const VGXInstallerError&) const = default;
};

// For test failure messages.
inline void PrintTo(const VGXInstallerError& error, std::ostream* out) {
  *out << error.description();
}

}  // namespace vigilix
