#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vigilix::platform {

// Texts are UTF-8 std::string throughout; these helpers count and cut them
// the way the platform's text APIs do (UTF-16 units, grapheme clusters).
// Invalid UTF-8 reads as U+FFFD per bad sequence.

struct TextRange {
  std::size_t location = 0;
  std::size_t length = 0;
  bool operator==(const TextRange&) const = default;
};

std::u16string utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

// The length in UTF-16 units (NSString length).
std::size_t utf16Length(std::string_view text);

// The range, in UTF-16 units, of the user-perceived character (extended
// grapheme cluster) that contains unit `index`. An index at or past the end
// gives {length, 0}.
TextRange rangeOfComposedCharacterSequenceAtIndex(std::u16string_view text, std::size_t index);
TextRange rangeOfComposedCharacterSequenceAtIndex(std::string_view text, std::size_t index);

// The first `units` UTF-16 units of `text` as UTF-8; a cut through a
// surrogate pair drops the lone half.
std::string prefixUtf16(std::string_view text, std::size_t units);

// The number of user-perceived characters (Swift's String.count).
std::size_t graphemeCount(std::string_view text);

// graphemeCount(text) <= limit; cheap when the text's bytes are already
// within the limit (every character takes at least one byte).
bool graphemeCountIsAtMost(std::string_view text, std::size_t limit);

// The first `count` user-perceived characters of `text`, cut between two of
// them in its own bytes (invalid bytes are kept as they are, counted as
// U+FFFD characters).
std::string_view prefixGraphemes(std::string_view text, std::size_t count);

// The one rule for comparing texts ignoring case: Unicode default full case
// folding, the same under every locale ("STRASSE" equals "straße", "I"
// equals "i" but not dotless "ı"). Bytes that are not UTF-8 compare as they are.
bool equalsIgnoringCase(std::string_view a, std::string_view b);
// Orders texts by the same folding (negative: `a` first, 0: equal), then by
// code point, so lists of names sort alike under every locale.
int compareIgnoringCase(std::string_view a, std::string_view b);
// Whether `part` occurs in `text` under the same folding.
bool containsIgnoringCase(std::string_view text, std::string_view part);

// "&", "<" and ">" as XML entities, for text between markup tags.
std::string escapeXmlText(std::string_view text);

}  // namespace vigilix::platform
