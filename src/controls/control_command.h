#pragma once

#include <string>
#include <vector>

#include "platform/base/date.h"

namespace vigilix {

namespace platform {
class UserDefaults;
}

// What `vigilix-control` prints and how it ends.
struct ControlCommandResult {
  int exitCode = 0;
  std::string output;  // standard output
  std::string error;   // standard error
};

// The keep-awake control without the application: no argument prints the
// toggle's label, `--json` the state, `on` / `off` asks the application
// through the app-group suite and the system-wide request, leaving an
// optimistic state the application's true one replaces. `suite` is nullptr
// when the suite cannot be opened; the request is announced all the same.
ControlCommandResult runControlCommand(const std::vector<std::string>& arguments,
                                       platform::UserDefaults* suite, platform::Date now);

}  // namespace vigilix
