#include "platform/base/text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/base/icu_library.h"

namespace vigilix::platform {
namespace {

// "e" + combining acute, a flag (two regional indicators, four units),
// a family emoji joined by ZWJ, and a plain astral character.
const std::string kCombining = "e\u0301";
const std::string kFlag = "\U0001F1EB\U0001F1F7";
const std::string kFamily = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
const std::string kAstral = "\U0001F600";

TEST(TextTest, CountsUtf16UnitsAndGraphemes) {
  EXPECT_EQ(utf16Length(""), 0u);
  EXPECT_EQ(utf16Length("abc"), 3u);
  EXPECT_EQ(utf16Length("\u00e9"), 1u);
  EXPECT_EQ(utf16Length(kAstral), 2u);
  EXPECT_EQ(utf16Length(kFamily), 8u);

  EXPECT_EQ(graphemeCount(""), 0u);
  EXPECT_EQ(graphemeCount("abc"), 3u);
  EXPECT_EQ(graphemeCount(kCombining), 1u);
  EXPECT_EQ(graphemeCount(kFlag), 1u);
  EXPECT_EQ(graphemeCount(kFamily), 1u);
  EXPECT_EQ(graphemeCount("a" + kFlag + kFamily + "\r\n"), 4u);  // CR LF is one character
}

TEST(TextTest, ConvertsBetweenEncodings) {
  std::string mixed = "a\u00e9" + kAstral + kFamily;
  EXPECT_EQ(utf16ToUtf8(utf8ToUtf16(mixed)), mixed);
  EXPECT_EQ(utf8ToUtf16(kAstral), std::u16string(u"\U0001F600"));
  // Invalid input does not vanish silently: each bad sequence is U+FFFD.
  EXPECT_EQ(utf16ToUtf8(utf8ToUtf16("a\xFFz")), "a\uFFFDz");
  EXPECT_EQ(utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\uFFFD");
}

TEST(TextTest, ComposedSequenceRangeCoversTheWholeCluster) {
  std::string text = "a" + kCombining + kFlag + kFamily + "z";
  // Units: a(0) e(1) U+0301(2) flag(3..6) family(7..14) z(15).
  EXPECT_EQ(rangeOfComposedCharacterSequenceAtIndex(text, 0), (TextRange{0, 1}));
  EXPECT_EQ(rangeOfComposedCharacterSequenceAtIndex(text, 2), (TextRange{1, 2}));
  EXPECT_EQ(rangeOfComposedCharacterSequenceAtIndex(text, 3), (TextRange{3, 4}));
  EXPECT_EQ(rangeOfComposedCharacterSequenceAtIndex(text, 5), (TextRange{3, 4}));  // mid-pair
  EXPECT_EQ(rangeOfComposedCharacterSequenceAtIndex(text, 4), (TextRange{3, 4}));  // trail unit
  EXPECT_EQ(rangeOfComposedCharacterSequenceAtIndex(text, 8), (TextRange{7, 8}));  // trail unit
  EXPECT_EQ(rangeOfComposedCharacterSequenceAtIndex(text, 10), (TextRange{7, 8}));
  EXPECT_EQ(rangeOfComposedCharacterSequenceAtIndex(text, 14), (TextRange{7, 8}));
  EXPECT_EQ(rangeOfComposedCharacterSequenceAtIndex(text, 15), (TextRange{15, 1}));
  EXPECT_EQ(rangeOfComposedCharacterSequenceAtIndex(text, 16), (TextRange{16, 0}));
  EXPECT_EQ(rangeOfComposedCharacterSequenceAtIndex(text, 99), (TextRange{16, 0}));
  EXPECT_EQ(rangeOfComposedCharacterSequenceAtIndex(std::string(), 0), (TextRange{0, 0}));
}

TEST(TextTest, PrefixNeverLeavesHalfASurrogatePair) {
  std::string text = "ab" + kAstral + "c";
  EXPECT_EQ(prefixUtf16(text, 0), "");
  EXPECT_EQ(prefixUtf16(text, 2), "ab");
  EXPECT_EQ(prefixUtf16(text, 3), "ab");
  EXPECT_EQ(prefixUtf16(text, 4), "ab" + kAstral);
  EXPECT_EQ(prefixUtf16(text, 100), text);
}

// The cut used for names with a length cap: start of the cluster holding the
// last unit that fits, then an ellipsis.
TEST(TextTest, CutAtClusterStartKeepsClustersWhole) {
  std::string text = std::string(126, 'x') + kFamily;  // family spans units 126..133
  TextRange range = rangeOfComposedCharacterSequenceAtIndex(text, 127);
  EXPECT_EQ(range.location, 126u);
  std::string cut = prefixUtf16(text, range.location) + "\u2026";
  EXPECT_EQ(utf16Length(cut), 127u);
  EXPECT_EQ(cut, std::string(126, 'x') + "\u2026");
}

// Cuts keep whole characters and the text's own bytes, even invalid ones.
TEST(TextTest, GraphemePrefixAndLimit) {
  struct Row {
    const char* name;
    std::string text;
    std::size_t count;
    std::string prefix;
  };
  const Row rows[] = {
      {"short text unchanged", "abc", 5, "abc"},
      {"ASCII cut", "abcdef", 4, "abcd"},
      {"nothing taken", "abc", 0, ""},
      {"combining mark stays with its letter", "a" + kCombining + "z", 2, "a" + kCombining},
      {"flag and family are one character each", kFlag + kFamily + "x", 2, kFlag + kFamily},
      {"CR LF is one character", "a\r\nb", 2, "a\r\n"},
      {"invalid bytes kept",
       "\xFF\xFE"
       "abc",
       3,
       "\xFF\xFE"
       "a"},
      {"fewer characters than bytes", kFamily + kFamily, 3, kFamily + kFamily},
      {"exactly at the limit", "abcd", 4, "abcd"},
      {"longer in bytes, within the limit in characters", kFamily + "ab", 3, kFamily + "ab"},
      {"long text cut after a joined character", "a" + kFamily + kFlag + "bc", 3,
       "a" + kFamily + kFlag},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(prefixGraphemes(row.text, row.count), row.prefix);
    EXPECT_EQ(graphemeCountIsAtMost(row.text, row.count), row.text == row.prefix);
  }
}

TEST(TextTest, EqualsIgnoringCaseFoldsByUnicodeRules) {
  struct Row {
    const char* name;
    std::string a;
    std::string b;
    bool equal;
  };
  const std::vector<Row> rows = {
      {"ASCII letters", "com.Example.EDITOR", "COM.example.editor", true},
      {"ASCII length differs", "editor", "editors", false},
      {"ASCII punctuation is not a letter", "a-b", "a_b", false},
      {"sharp s folds to ss", "STRASSE", "stra\u00dfe", true},
      {"capital sharp s too", "STRA\u1e9eE", "strasse", true},
      {"ligature folds to its letters", "\ufb03", "FFI", true},
      {"Greek final sigma", "\u03a3\u038a\u03a3\u03a5\u03a6\u039f\u03a3",
       "\u03c3\u03af\u03c3\u03c5\u03c6\u03bf\u03c2", true},
      {"Cyrillic", "\u041c\u041e\u0421\u041a\u0412\u0410", "\u043c\u043e\u0441\u043a\u0432\u0430",
       true},
      {"dotted capital I folds to i with a dot above", "\u0130", "i\u0307", true},
      {"dotless i stays apart from i", "\u0131", "I", false},
      {"capital I folds to i, never by the Turkish rule", "TITLE", "title", true},
      {"accents are kept", "caf\u00e9", "CAFE", false},
      {"Kelvin sign folds to k", "\u212a", "k", true},
      {"bad bytes compare as they are", "a\xff", "A\xfe", false},
      {"equal bad bytes match", "A\xff\u00c9", "a\xff\u00e9", true},
      {"empty texts", "", "", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(equalsIgnoringCase(row.a, row.b), row.equal);
    EXPECT_EQ(equalsIgnoringCase(row.b, row.a), row.equal);
  }
}

// Short and ASCII texts are answered without loading ICU; each row runs in a fresh process,
// since a library once loaded stays.
TEST(TextTest, ShortAndAsciiTextsDoNotLoadIcu) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Row {
    const char* name;
    std::function<bool()> answers;
  };
  const Row rows[] = {
      {"prefix of a text within its limit in bytes",
       [] { return prefixGraphemes("h\u00e9llo", 6) == "h\u00e9llo"; }},
      {"limit of a text within it in bytes", [] { return graphemeCountIsAtMost("ab", 2); }},
      {"ASCII to UTF-16 and back", [] { return utf16ToUtf8(utf8ToUtf16("abc")) == "abc"; }},
      {"ASCII length in UTF-16 units", [] { return utf16Length("abcd") == 4; }},
      {"ASCII case comparisons",
       [] {
         return equalsIgnoringCase("Gemini", "GEMINI") && containsIgnoringCase("a/Gemini", "gem") &&
                compareIgnoringCase("b", "A") > 0;
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EXIT(std::exit(row.answers() && !icu_library::isLoaded() ? 0 : 1),
                ::testing::ExitedWithCode(0), "");
  }
  // A text that needs segmentation loads it.
  EXPECT_EQ(prefixGraphemes("a" + kCombining + "z", 2), "a" + kCombining);
  EXPECT_TRUE(icu_library::isLoaded());
}

}  // namespace
}  // namespace vigilix::platform
