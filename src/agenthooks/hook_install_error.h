#pragma once

#include <string>
#include <string_view>

namespace vigilix {

// Why a hooks file could not be changed: the user-facing message, localized. Failures of the
// platform (reading, folders, JSON) carry the platform's own description.
struct VGXHookInstallError {
  std::string errorDescription;

  static VGXHookInstallError notAnObject();  // "The hooks file is not a JSON object."
  static VGXHookInstallError fileChanged();  // "The file changed while installing — Try Again"
  static VGXHookInstallError writeFailed();  // "Couldn't write the hooks file."
  static VGXHookInstallError lockFailed();   // "Couldn't lock the hooks file."
  // A folder that users other than its owner can write to, unless it is sticky and the hooks
  // file is the user's own: links and files planted there would be followed or replaced.
  static VGXHookInstallError unsafeFolder(std::string_view folder);
  // A value we would have to replace to add our entries, named by its key path ("hooks.Stop").
  static VGXHookInstallError unexpectedShape(std::string_view keyPath);

  bool operator==(const VGXHookInstallError&) const = default;
};

}  // namespace vigilix
