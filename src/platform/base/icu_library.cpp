#include "platform/base/icu_library.h"

#include <unicode/uvernum.h>

#include <atomic>

#include "platform/base/icu_loader.h"

namespace vigilix::platform::icu_library {
namespace {

std::atomic<bool> gLoaded{false};

constexpr const char* kLibrary = "libicuuc.so." U_ICU_VERSION_SHORT;

Functions load() {
  const Loader library(kLibrary);
  Functions f{};
  library.resolve("u_strFromUTF8WithSub", f.fromUtf8);
  library.resolve("u_strToUTF8WithSub", f.toUtf8);
  library.resolve("ubrk_open", f.breakOpen);
  library.resolve("ubrk_setUText", f.breakSetText);
  library.resolve("ubrk_close", f.breakClose);
  library.resolve("ubrk_first", f.breakFirst);
  library.resolve("ubrk_next", f.breakNext);
  library.resolve("ubrk_following", f.breakFollowing);
  library.resolve("ubrk_preceding", f.breakPreceding);
  library.resolve("ubrk_isBoundary", f.breakIsBoundary);
  library.resolve("utext_openUTF8", f.textOpenUtf8);
  library.resolve("utext_close", f.textClose);
  library.resolve("ucasemap_open", f.caseMapOpen);
  library.resolve("ucasemap_close", f.caseMapClose);
  library.resolve("ucasemap_utf8FoldCase", f.foldUtf8);
  library.resolve("u_strToUpper", f.toUpper);
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
