#include "agenthooks/hook_install_error.h"

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"

namespace vigilix {

using platform::localized;

VGXHookInstallError VGXHookInstallError::notAnObject() {
  return {localized("The hooks file is not a JSON object.", "Agent hook install: invalid JSON")};
}

VGXHookInstallError VGXHookInstallError::fileChanged() {
  return {localized("The file changed while installing \u2014 Try Again",
                    "Agent hook install: file changed")};
}

VGXHookInstallError VGXHookInstallError::writeFailed() {
  return {localized("Couldn't write the hooks file.", "Agent hook install: write failed")};
}

VGXHookInstallError VGXHookInstallError::lockFailed() {
  return {localized("Couldn't lock the hooks file.", "Agent hook install: lock failed")};
}

VGXHookInstallError VGXHookInstallError::unsafeFolder(std::string_view folder) {
  return {platform::fillPlaceholders(
      localized("Other users can change the folder “%@”, so Vigilix won't edit the hooks "
                "file there.",
                "Agent hook install: the hooks file's folder is writable by other users"),
      {std::string(folder)})};
}

VGXHookInstallError VGXHookInstallError::unexpectedShape(std::string_view keyPath) {
  return {platform::fillPlaceholders(
      localized("The hooks file holds \u201c%@\u201d in a form Vigilix doesn't recognize.",
                "Agent hook install: a value of an unknown shape, named by its key path"),
      {std::string(keyPath)})};
}

}  // namespace vigilix
