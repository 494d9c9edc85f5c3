#include "app/application_info.h"

#include "core/dzl_version.h"

namespace vigilix {

platform::PropertyDictionary applicationInfoDictionary() {
  return {{kDZLShortVersionKey, VIGILIX_VERSION},
          {kDZLBuildVersionKey, VIGILIX_BUILD_NUMBER},
          {kDZLCopyrightKey, "© 2026 The Vigilix developers. All rights reserved."}};
}

std::optional<std::filesystem::path> creditsFileForProgram(const std::filesystem::path& program) {
  const auto folder = program.parent_path();
  for (const auto& candidate :
       {folder / "credits.txt",
        (folder / ".." / "share" / "vigilix" / "credits.txt").lexically_normal()}) {
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error)) return candidate;
  }
  return std::nullopt;
}

}  // namespace vigilix
