#include "platform/base/text.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "platform/base/icu_library.h"

namespace vigilix::platform {
namespace {

using icu_library::converted;

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isAscii(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string foldedAscii(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), foldAscii);
  return folded;
}

// Folds UTF-8 directly rather than through UTF-16, so that ill-formed bytes
// pass through unchanged instead of all becoming U+FFFD and matching each other.
std::string foldCase(std::string_view text) {
  if (isAscii(text)) return foldedAscii(text);
  const auto& icu = icu_library::functions();
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UCaseMap, decltype(icu.caseMapClose)> caseMap(
      icu.caseMapOpen("", U_FOLD_CASE_DEFAULT, &status), icu.caseMapClose);
  if (U_FAILURE(status) || !caseMap) return std::string(text);
  return converted<char>(text.size() + text.size() / 2,
                         [&](char* out, int32_t capacity, UErrorCode& error) {
                           return icu.foldUtf8(caseMap.get(), out, capacity, text.data(),
                                               static_cast<int32_t>(text.size()), &error);
                         })
      .value_or(std::string(text));
}

// A character (grapheme) break iterator over UTF-16 text; null when ICU has no break data.
using BreakIterator = std::unique_ptr<UBreakIterator, void (*)(UBreakIterator*)>;

BreakIterator characterIterator(std::u16string_view text) {
  const auto& icu = icu_library::functions();
  UErrorCode status = U_ZERO_ERROR;
  BreakIterator it(icu.breakOpen(UBRK_CHARACTER, "", reinterpret_cast<const UChar*>(text.data()),
                                 static_cast<int32_t>(text.size()), &status),
                   icu.breakClose);
  if (U_FAILURE(status)) it.reset();
  return it;
}

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (isAscii(a) && isAscii(b)) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             return foldAscii(x) == foldAscii(y);
           });
  }
  return foldCase(a) == foldCase(b);
}

int compareIgnoringCase(std::string_view a, std::string_view b) {
  const int order = foldCase(a).compare(foldCase(b));
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

bool containsIgnoringCase(std::string_view text, std::string_view part) {
  return foldCase(text).find(foldCase(part)) != std::string::npos;
}

std::u16string utf8ToUtf16(std::string_view text) {
  if (isAscii(text)) return std::u16string(text.begin(), text.end());
  const auto& icu = icu_library::functions();
  return converted<char16_t>(text.size(),
                             [&](char16_t* out, int32_t capacity, UErrorCode& status) {
                               int32_t length = 0;
                               icu.fromUtf8(reinterpret_cast<UChar*>(out), capacity, &length,
                                            text.data(), static_cast<int32_t>(text.size()), 0xFFFD,
                                            nullptr, &status);
                               return length;
                             })
      .value_or(std::u16string());
}

std::string utf16ToUtf8(std::u16string_view text) {
  if (isAscii(text)) return std::string(text.begin(), text.end());
  const auto& icu = icu_library::functions();
  return converted<char>(text.size() * 3,
                         [&](char* out, int32_t capacity, UErrorCode& status) {
                           int32_t length = 0;
                           icu.toUtf8(out, capacity, &length,
                                      reinterpret_cast<const UChar*>(text.data()),
                                      static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
                           return length;
                         })
      .value_or(std::string());
}

std::size_t utf16Length(std::string_view text) { return utf8ToUtf16(text).size(); }

TextRange rangeOfComposedCharacterSequenceAtIndex(std::u16string_view text, std::size_t index) {
  if (index >= text.size()) return TextRange{text.size(), 0};
  const BreakIterator it = characterIterator(text);
  if (!it) {
    // No break data: fall back to whole code points.
    std::size_t start = index;
    if (start > 0 && U16_IS_TRAIL(text[start]) && U16_IS_LEAD(text[start - 1])) --start;
    std::size_t end = start + 1;
    if (end < text.size() && U16_IS_LEAD(text[start]) && U16_IS_TRAIL(text[end])) ++end;
    return TextRange{start, end - start};
  }
  const auto& icu = icu_library::functions();
  // The break iterator answers for code point boundaries only: step back
  // from a trailing surrogate to the start of its pair first.
  if (index > 0 && U16_IS_TRAIL(text[index]) && U16_IS_LEAD(text[index - 1])) --index;
  auto position = static_cast<int32_t>(index);
  int32_t start =
      icu.breakIsBoundary(it.get(), position) ? position : icu.breakPreceding(it.get(), position);
  int32_t end = icu.breakFollowing(it.get(), position);
  if (start == UBRK_DONE) start = 0;
  if (end == UBRK_DONE) end = static_cast<int32_t>(text.size());
  return TextRange{static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)};
}

TextRange rangeOfComposedCharacterSequenceAtIndex(std::string_view text, std::size_t index) {
  return rangeOfComposedCharacterSequenceAtIndex(std::u16string_view(utf8ToUtf16(text)), index);
}

std::string prefixUtf16(std::string_view text, std::size_t units) {
  std::u16string utf16 = utf8ToUtf16(text);
  if (units >= utf16.size()) return utf16ToUtf8(utf16);
  if (units > 0 && U16_IS_LEAD(utf16[units - 1]) && U16_IS_TRAIL(utf16[units])) --units;
  return utf16ToUtf8(std::u16string_view(utf16).substr(0, units));
}

std::size_t graphemeCount(std::string_view text) {
  const std::u16string utf16 = utf8ToUtf16(text);
  if (utf16.empty()) return 0;
  const BreakIterator it = characterIterator(utf16);
  if (!it) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
      if (!(U16_IS_TRAIL(utf16[i]) && i > 0 && U16_IS_LEAD(utf16[i - 1]))) ++count;
    }
    return count;
  }
  const auto& icu = icu_library::functions();
  std::size_t count = 0;
  icu.breakFirst(it.get());
  while (icu.breakNext(it.get()) != UBRK_DONE) ++count;
  return count;
}

bool graphemeCountIsAtMost(std::string_view text, std::size_t limit) {
  return text.size() <= limit || graphemeCount(text) <= limit;
}

std::string_view prefixGraphemes(std::string_view text, std::size_t count) {
  // Every character takes at least one byte: a text this short needs no segmentation.
  if (text.size() <= count) return text;
  const auto& icu = icu_library::functions();
  UErrorCode status = U_ZERO_ERROR;
  // A UTF-8 text walks the original bytes, so boundaries are byte offsets.
  std::unique_ptr<UText, decltype(icu.textClose)> utext(
      icu.textOpenUtf8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status),
      icu.textClose);
  BreakIterator it(icu.breakOpen(UBRK_CHARACTER, "", nullptr, 0, &status), icu.breakClose);
  if (!U_FAILURE(status) && it) icu.breakSetText(it.get(), utext.get(), &status);
  if (U_FAILURE(status) || !it) {
    // No break data: whole code points.
    int32_t offset = 0;
    const auto length = static_cast<int32_t>(text.size());
    for (std::size_t taken = 0; taken < count && offset < length; ++taken) {
      U8_FWD_1(reinterpret_cast<const uint8_t*>(text.data()), offset, length);
    }
    return text.substr(0, static_cast<std::size_t>(offset));
  }
  std::size_t end = 0;
  icu.breakFirst(it.get());
  for (std::size_t taken = 0; taken < count; ++taken) {
    const int32_t next = icu.breakNext(it.get());
    if (next == UBRK_DONE) {
      end = text.size();
      break;
    }
    end = static_cast<std::size_t>(next);
  }
  return text.substr(0, end);
}

std::string escapeXmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '&') {
      out += "&amp;";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace vigilix::platform
