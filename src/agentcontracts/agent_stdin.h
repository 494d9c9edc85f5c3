#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace vigilix {

// Reading a hook's standard input without ever waiting past a deadline.
namespace VGXAgentStdin {

inline constexpr std::size_t maxBytes = 65'536;

// What arrives on `fd` before end of input, the deadline, or maxBytes,
// whichever comes first (possibly nothing). `now` and `deadline` are seconds
// on one clock. The descriptor is read without blocking and its status flags
// are put back afterwards. Never fails; any thread.
std::vector<std::uint8_t> read(int fd, const std::function<double()>& now, double deadline);

}  // namespace VGXAgentStdin

}  // namespace vigilix
