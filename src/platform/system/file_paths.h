#pragma once

#include <string>

namespace vigilix::platform {

// Path text helpers with the file manager's meaning. A trailing slash is
// ignored throughout.

// "/a/b.tar.gz" -> "b.tar.gz".
std::string lastPathComponent(const std::string& path);
// The text after the last "." of the last component; "" when there is none
// or the dot leads the name (".profile" has no extension).
std::string pathExtension(const std::string& path);
// `path` without its extension and that dot; unchanged when it has none.
std::string deletingPathExtension(const std::string& path);

}  // namespace vigilix::platform
