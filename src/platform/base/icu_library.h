#pragma once

// ICU's common library, loaded on first use rather than at start-up: most texts are short
// or ASCII and need none of it, and loading it cost every run of the command-line tool.
// Shared by the platform layer only.

#include <unicode/ubrk.h>
#include <unicode/ucasemap.h>
#include <unicode/ustring.h>
#include <unicode/utext.h>

#include <cstddef>
#include <optional>
#include <string>

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
  decltype(&::u_strToUpper) toUpper;
};

// Loads the library the first time (thread-safe) and answers its functions; throws
// std::runtime_error when the installed ICU cannot be loaded, which the package prevents.
const Functions& functions();

// Whether an earlier call has loaded it, for tests of the paths that must not.
bool isLoaded();

// ICU fills at most `capacity` and answers the whole length: a first call with the size
// guessed from the input, a second only when that was short. None when ICU fails.
template <typename Unit, typename Convert>
std::optional<std::basic_string<Unit>> converted(std::size_t guess, Convert convert) {
  std::basic_string<Unit> out(guess, Unit{});
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = convert(out.data(), static_cast<int32_t>(out.size()), status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<std::size_t>(length), Unit{});
    status = U_ZERO_ERROR;
    length = convert(out.data(), static_cast<int32_t>(out.size()), status);
  }
  if (U_FAILURE(status)) return std::nullopt;
  out.resize(static_cast<std::size_t>(length));
  return out;
}

}  // namespace vigilix::platform::icu_library
