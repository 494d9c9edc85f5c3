#pragma once

#include <expected>
#include <string>

#include "platform/fs/file_system.h"

namespace vigilix::platform {

// The file this process runs from (/proc/self/exe); the reason otherwise.
std::expected<FileSystem::Path, std::string> ownProgramPath();

}  // namespace vigilix::platform
