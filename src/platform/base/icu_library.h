#pragma once

// ICU's common library, loaded on first use rather than at start-up: most texts are short
// or ASCII and need none of it, and loading it cost every run of the command-line tool.
// Shared by this folder only.

#include <unicode/ubrk.h>
#include <unicode/ucasemap.h>
#include <unicode/ustring.h>
#include <unicode/utext.h>

namespace vigilix::platform::icu_library {

// The C functions the text helpers call, resolved from one loaded library.
struct Functions {
  decltype(&::u_strFromUTF8WithSub) fromUtf8;
  decltype(&::u_strToUTF8WithSub) toUtf8;
  decltype(&::ubrk_open) breakOpen;
  decltype(&::ubrk_setUText) breakSetText;
  decltype(&::ubrk_close) breakClose;
  decltype(&::ubrk_first) breakFirst;
  decltype(&::ubrk_next) breakNext;
  decltype(&::ubrk_following) breakFollowing;
  decltype(&::ubrk_preceding) breakPreceding;
  decltype(&::ubrk_isBoundary) breakIsBoundary;
  decltype(&::utext_openUTF8) textOpenUtf8;
  decltype(&::utext_close) textClose;
  decltype(&::ucasemap_open) caseMapOpen;
  decltype(&::ucasemap_close) caseMapClose;
  decltype(&::ucasemap_utf8FoldCase) foldUtf8;
};

// Loads the library the first time (thread-safe) and answers its functions; throws
// std::runtime_error when the installed ICU cannot be loaded, which the package prevents.
const Functions& functions();

// Whether an earlier call has loaded it, for tests of the paths that must not.
bool isLoaded();

}  // namespace vigilix::platform::icu_library
