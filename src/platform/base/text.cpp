#include "platform/base/text.h"

#include <unicode/brkiter.h>
#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>
#include <unicode/utext.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <memory>

namespace vigilix::platform {
namespace {

std::unique_ptr<icu::BreakIterator> characterIterator(const icu::UnicodeString& text) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> it(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status) || !it) return nullptr;
  it->setText(text);
  return it;
}

icu::UnicodeString fromUtf16(std::u16string_view text) {
  return icu::UnicodeString(text.data(), static_cast<int32_t>(text.size()));
}

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Folds UTF-8 directly rather than through UTF-16, so that ill-formed bytes
// pass through unchanged instead of all becoming U+FFFD and matching each other.
std::string foldCase(std::string_view text) {
  std::string folded;
  icu::StringByteSink<std::string> sink(&folded);
  UErrorCode status = U_ZERO_ERROR;
  icu::CaseMap::utf8Fold(U_FOLD_CASE_DEFAULT,
                         icu::StringPiece(text.data(), static_cast<int32_t>(text.size())), sink,
                         nullptr, status);
  if (U_FAILURE(status)) return std::string(text);
  return folded;
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
  icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  return std::u16string(unicode.getBuffer(), static_cast<std::size_t>(unicode.length()));
}

std::string utf16ToUtf8(std::u16string_view text) {
  std::string out;
  fromUtf16(text).toUTF8String(out);
  return out;
}

std::size_t utf16Length(std::string_view text) { return utf8ToUtf16(text).size(); }

TextRange rangeOfComposedCharacterSequenceAtIndex(std::u16string_view text, std::size_t index) {
  if (index >= text.size()) return TextRange{text.size(), 0};
  icu::UnicodeString unicode = fromUtf16(text);
  auto it = characterIterator(unicode);
  if (!it) {
    // No break data: fall back to whole code points.
    std::size_t start = index;
    if (start > 0 && U16_IS_TRAIL(text[start]) && U16_IS_LEAD(text[start - 1])) --start;
    std::size_t end = start + 1;
    if (end < text.size() && U16_IS_LEAD(text[start]) && U16_IS_TRAIL(text[end])) ++end;
    return TextRange{start, end - start};
  }
  // The break iterator answers for code point boundaries only: step back
  // from a trailing surrogate to the start of its pair first.
  if (index > 0 && U16_IS_TRAIL(text[index]) && U16_IS_LEAD(text[index - 1])) --index;
  auto position = static_cast<int32_t>(index);
  int32_t start = it->isBoundary(position) ? position : it->preceding(position);
  int32_t end = it->following(position);
  if (start == icu::BreakIterator::DONE) start = 0;
  if (end == icu::BreakIterator::DONE) end = static_cast<int32_t>(text.size());
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
  icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  if (unicode.isEmpty()) return 0;
  auto it = characterIterator(unicode);
  if (!it) return static_cast<std::size_t>(unicode.countChar32());
  std::size_t count = 0;
  it->first();
  while (it->next() != icu::BreakIterator::DONE) ++count;
  return count;
}

bool graphemeCountIsAtMost(std::string_view text, std::size_t limit) {
  return text.size() <= limit || graphemeCount(text) <= limit;
}

std::string_view prefixGraphemes(std::string_view text, std::size_t count) {
  if (text.size() <= count) return text;
  UErrorCode status = U_ZERO_ERROR;
  // A UTF-8 text walks the original bytes, so boundaries are byte offsets.
  UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
  std::unique_ptr<icu::BreakIterator> it(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (!U_FAILURE(status) && it) it->setText(utext, status);
  if (U_FAILURE(status) || !it) {
    // No break data: whole code points.
    it.reset();
    utext_close(utext);
    int32_t offset = 0;
    const auto length = static_cast<int32_t>(text.size());
    for (std::size_t taken = 0; taken < count && offset < length; ++taken) {
      U8_FWD_1(reinterpret_cast<const uint8_t*>(text.data()), offset, length);
    }
    return text.substr(0, static_cast<std::size_t>(offset));
  }
  std::size_t end = 0;
  it->first();
  for (std::size_t taken = 0; taken < count; ++taken) {
    int32_t next = it->next();
    if (next == icu::BreakIterator::DONE) {
      end = text.size();
      break;
    }
    end = static_cast<std::size_t>(next);
  }
  it.reset();
  utext_close(utext);
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
