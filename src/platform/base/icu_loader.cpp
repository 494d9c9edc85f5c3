#include "platform/base/icu_loader.h"

#include <dlfcn.h>
#include <unicode/uvernum.h>

#include <stdexcept>

namespace vigilix::platform::icu_library {
namespace {

// ICU renames its functions per major version ("ubrk_open_72") unless built without renaming.
std::string symbolName(const char* function) {
#if U_DISABLE_RENAMING
  return function;
#else
  return std::string(function) + "_" U_ICU_VERSION_SHORT;
#endif
}

}  // namespace

Loader::Loader(const char* file) : library_(::dlopen(file, RTLD_NOW | RTLD_LOCAL)) {
  if (library_ == nullptr) {
    const char* error = ::dlerror();
    throw std::runtime_error(std::string("cannot load ICU: ") + (error ? error : file));
  }
}

void* Loader::symbol(const char* name) const {
  void* found = ::dlsym(library_, symbolName(name).c_str());
  if (found == nullptr) throw std::runtime_error(std::string("ICU lacks ") + name);
  return found;
}

}  // namespace vigilix::platform::icu_library
