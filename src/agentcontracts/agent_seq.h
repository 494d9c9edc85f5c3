#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <string_view>

#include "agentcontracts/agent_files.h"

namespace vigilix {

// One event counter per agent session: a file in the folder named by the
// lower-case hexadecimal SHA-256 of the session key, holding the decimal
// value with no line end. An exclusive lock on the file is held from the read
// to the write, so concurrent increments of one session never hand out the
// same number. Blocks while another process holds that lock; any thread.
namespace VGXAgentSeq {

// The counter after the increment, or its current value (0 for a new
// session) when `increment` is false. Content that is not a number counts as
// 0 and is logged; an increment first keeps a copy of it aside. An error when the file cannot be
// opened, read or written, or the counter is at its largest value: the caller then has no number,
// never a restarted one.
std::expected<std::int64_t, VGXAgentFileError> value(std::string_view session, bool increment,
                                                     const std::filesystem::path& folder);

}  // namespace VGXAgentSeq

}  // namespace vigilix
