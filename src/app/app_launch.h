#pragma once

#include <string>
#include <vector>

namespace vigilix {

// The program: when another instance owns the application's bus name, hands
// it the addresses given (or asks it to come forward) and answers 0, or 1
// when that fails; otherwise becomes the application, handles the addresses
// itself and runs the main loop until SIGTERM, SIGINT or a quit, answering 0.
// Without a session bus it runs alone and says so in the log. Call from the
// process's first thread before any other thread starts.
int DZLApplicationMain(const std::vector<std::string>& arguments);

}  // namespace vigilix
