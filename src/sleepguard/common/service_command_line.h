#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vigilix {

// The command line of the guard executable, shared by its entry point and
// whoever starts the finisher.
namespace VGXGuardMain {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 64;
inline constexpr int kExitConfig = 78;

inline constexpr std::string_view allowedIdentifierCharacters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-";

// 1 to 64 characters, each an ASCII letter, digit or hyphen.
bool isValidIdentifier(std::string_view text);

// What the arguments (program path first) ask for.
struct Command {
  enum class Role { guard, finishUninstall, usage };
  Role role = Role::usage;
  std::string transactionID;  // finishUninstall
  std::string generation;     // finishUninstall
  bool operator==(const Command&) const = default;
};
Command parseCommandLine(const std::vector<std::string>& arguments);

}  // namespace VGXGuardMain

}  // namespace vigilix
