#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vigilix {

// The guard program's entry: by its command line, the guard role or the
// finisher of an app-missing uninstall.
namespace VGXGuardMain {

// Finishes an uninstall with its two identifiers; true on success.
using Finisher =
    std::function<bool(const std::string& transactionID, const std::string& generation)>;

// The exit status. The guard role returns only on SIGTERM or SIGINT (0), or
// when it cannot start (78, one line on standard error). Without a finisher
// the finish-uninstall role runs the live one over the state directory (1
// when that cannot be opened).
int run(const std::vector<std::string>& arguments, const Finisher& finisher = {});

}  // namespace VGXGuardMain

}  // namespace vigilix
