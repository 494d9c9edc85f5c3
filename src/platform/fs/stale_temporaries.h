#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vigilix::platform {

// Temporary files that a write killed before its rename leaves behind. A store removes its own
// when it opens, holding the lock its writes hold while theirs exist, so that only what no
// live write owns goes.

// The file a temporary name of FileSystem's atomic writes stands for: ".<name>.tmp-" and six
// letters or digits stand for <name>. None for any other name.
std::optional<std::string> atomicWriteTarget(std::string_view name);

// Unlinks every name of the open folder that `isStale` accepts (never following a link), and
// logs each. Answers the names removed; a folder that cannot be listed removes nothing.
std::vector<std::string> removeStaleTemporaries(
    int directoryFd, const std::function<bool(std::string_view name)>& isStale);
std::vector<std::string> removeStaleTemporaries(
    const std::filesystem::path& folder, const std::function<bool(std::string_view name)>& isStale);

}  // namespace vigilix::platform
