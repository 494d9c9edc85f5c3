#include "platform/base/loaded_library.h"

#include <dlfcn.h>

namespace vigilix::platform {

std::optional<LoadedLibrary> LoadedLibrary::open(const char* file, std::string* error) {
  void* library = ::dlopen(file, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    if (error != nullptr) {
      const char* reason = ::dlerror();
      *error = reason != nullptr ? reason : file;
    }
    return std::nullopt;
  }
  return LoadedLibrary(library);
}

void* LoadedLibrary::symbol(const char* name) const { return ::dlsym(library_, name); }

}  // namespace vigilix::platform
