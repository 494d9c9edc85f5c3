#pragma once

#include <string_view>

namespace vigilix::platform {

// Whether `name` can stand as one path component without leading anywhere else: not empty,
// not "." or "..", no "/" and no NUL character.
bool isSinglePathComponent(std::string_view name);

}  // namespace vigilix::platform
