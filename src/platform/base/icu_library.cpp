#include "platform/base/icu_library.h"

#include <dlfcn.h>
#include <unicode/uvernum.h>

#include <atomic>
#include <stdexcept>
#include <string>

namespace vigilix::platform::icu_library {
namespace {

std::atomic<bool> gLoaded{false};

// The library and symbol names of the ICU the program was built against: ICU renames its
// functions per major version ("ubrk_open_72") unless built without renaming.
constexpr const char* kLibrary = "libicuuc.so." U_ICU_VERSION_SHORT;

std::string symbolName(const char* function) {
#if U_DISABLE_RENAMING
  return function;
#else
  return std::string(function) + "_" U_ICU_VERSION_SHORT;
#endif
}

template <typename Function>
void resolve(void* library, const char* name, Function& out) {
  void* symbol = ::dlsym(library, symbolName(name).c_str());
  if (symbol == nullptr) throw std::runtime_error(std::string("ICU lacks ") + name);
  out = reinterpret_cast<Function>(symbol);
}

Functions load() {
  // Kept open for the life of the process, like a library linked at start-up.
  void* library = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* error = ::dlerror();
    throw std::runtime_error(std::string("cannot load ICU: ") + (error ? error : kLibrary));
  }
  Functions f{};
  resolve(library, "u_strFromUTF8WithSub", f.fromUtf8);
  resolve(library, "u_strToUTF8WithSub", f.toUtf8);
  resolve(library, "ubrk_open", f.breakOpen);
  resolve(library, "ubrk_setUText", f.breakSetText);
  resolve(library, "ubrk_close", f.breakClose);
  resolve(library, "ubrk_first", f.breakFirst);
  resolve(library, "ubrk_next", f.breakNext);
  resolve(library, "ubrk_following", f.breakFollowing);
  resolve(library, "ubrk_preceding", f.breakPreceding);
  resolve(library, "ubrk_isBoundary", f.breakIsBoundary);
  resolve(library, "utext_openUTF8", f.textOpenUtf8);
  resolve(library, "utext_close", f.textClose);
  resolve(library, "ucasemap_open", f.caseMapOpen);
  resolve(library, "ucasemap_close", f.caseMapClose);
  resolve(library, "ucasemap_utf8FoldCase", f.foldUtf8);
  gLoaded.store(true, std::memory_order_relaxed);
  return f;
}

}  // namespace

const Functions& functions() {
  static const Functions loaded = load();
  return loaded;
}

bool isLoaded() { return gLoaded.load(std::memory_order_relaxed); }

}  // namespace vigilix::platform::icu_library
