#include "triggers/trigger_configuration.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>

namespace vigilix {

const TriggerConfiguration& TriggerConfiguration::defaultConfiguration() {
  static const TriggerConfiguration configuration;
  return configuration;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  const auto isAscii = [](std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  };
  if (isAscii(a) && isAscii(b)) {
    if (a.size() != b.size()) return false;
    const auto lower = [](char c) {
      return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
  }
  // Full case folding, so "Straße" and "STRASSE" are the same name.
  const auto left =
      icu::UnicodeString::fromUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())));
  const auto right =
      icu::UnicodeString::fromUTF8(icu::StringPiece(b.data(), static_cast<int32_t>(b.size())));
  return left.caseCompare(right, U_FOLD_CASE_DEFAULT) == 0;
}

}  // namespace vigilix
