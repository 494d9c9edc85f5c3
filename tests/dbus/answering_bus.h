#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace vigilix::testing {

// A bus at `path` that answers the opening with the given bytes and closes, while `client` runs;
// what it was sent, up to the authentication's end, comes back. It answers once `ready`
// returns, when given.
std::string answerOnce(const std::filesystem::path& path, const std::string& answer,
                       const std::function<void()>& client,
                       const std::function<void()>& ready = {});

}  // namespace vigilix::testing
