#include "testing/temporary_folder.h"

#include <stdlib.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace vigilix::testing {

std::filesystem::path makeTemporaryFolder(std::string_view prefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = (std::filesystem::path(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") /
                         (std::string(prefix) + "-XXXXXX"))
                            .string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary folder: " + pattern);
  }
  return pattern;
}

}  // namespace vigilix::testing
