#pragma once

#include <cstddef>

namespace vigilix::platform {

// Lets go of the resident pages of this process's file mappings that cannot be written and
// hold only their files' own bytes (no page changed since it was read): the kernel reads them
// again from the files when next touched, as it does after reclaiming them under pressure.
// Returns the bytes of the mappings let go of.
std::size_t dropCleanFilePages();

}  // namespace vigilix::platform
