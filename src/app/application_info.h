#pragma once

#include <filesystem>
#include <optional>

#include "platform/base/property_value.h"

namespace vigilix {

// The program's own description: version, build and legal notice, under
// the keys the version texts read.
platform::PropertyDictionary applicationInfoDictionary();

// The credits text for the program at `program`: beside it in a build tree,
// else in "../share/vigilix/" where an install puts it; none when neither
// exists.
std::optional<std::filesystem::path> creditsFileForProgram(const std::filesystem::path& program);

}  // namespace vigilix
