#include "platform/base/icu_loader.h"

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

namespace {

LoadedLibrary opened(const char* file) {
  std::string error;
  auto library = LoadedLibrary::open(file, &error);
  if (!library) throw std::runtime_error("cannot load ICU: " + error);
  return *library;
}

}  // namespace

Loader::Loader(const char* file) : library_(opened(file)) {}

void* Loader::symbol(const char* name) const {
  void* found = library_.symbol(symbolName(name).c_str());
  if (found == nullptr) throw std::runtime_error(std::string("ICU lacks ") + name);
  return found;
}

}  // namespace vigilix::platform::icu_library
