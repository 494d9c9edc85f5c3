#pragma once

#include <sys/types.h>

#include <expected>
#include <string>
#include <vector>

namespace vigilix::platform {

// Starts `path` with `arguments` (the program path first) and exactly
// `environment` ("NAME=value" each), in a session of its own, with /dev/null
// as its standard input, output and error, and does not wait for it: it
// outlives its parent's process group. The failure text names the step:
// "spawn actions", "spawn stdio", "spawn attr", or "spawn finisher " and the
// error number.
std::expected<pid_t, std::string> spawnDetached(const std::string& path,
                                                const std::vector<std::string>& arguments,
                                                const std::vector<std::string>& environment);

}  // namespace vigilix::platform
