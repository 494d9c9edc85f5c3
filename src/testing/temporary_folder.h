#pragma once

#include <filesystem>
#include <string_view>

namespace vigilix::testing {

// A new empty folder "<prefix>-XXXXXX" in $TMPDIR (else /tmp), for the caller
// to remove. Throws std::runtime_error when it cannot be made.
std::filesystem::path makeTemporaryFolder(std::string_view prefix);

}  // namespace vigilix::testing
