#include "platform/locale/date_components_formatter.h"

#include <unicode/uvernum.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/base/text.h"
#include "platform/locale/icu_support.h"

namespace vigilix::platform {
namespace {

using icu_support::Formatting;
using icu_support::Handle;

struct UnitSpan {
  CalendarUnit unit;
  std::int64_t seconds;
  const char* skeleton;  // the unit as a number skeleton names it
};

const UnitSpan kUnits[] = {
    {CalendarUnit::day, 86400, "measure-unit/duration-day"},
    {CalendarUnit::hour, 3600, "measure-unit/duration-hour"},
    {CalendarUnit::minute, 60, "measure-unit/duration-minute"},
    {CalendarUnit::second, 1, "measure-unit/duration-second"},
};

// Beyond this a span no longer fits whole seconds exactly.
constexpr double kLargestSpan = 9.0e15;

// The width of the unit names, and of the list that joins them.
struct Width {
  const char* skeleton;
  UListFormatterWidth list;
};

Width toIcu(UnitsStyle style) {
  switch (style) {
    case UnitsStyle::abbreviated:
      return {" unit-width-narrow", ULISTFMT_WIDTH_NARROW};
    case UnitsStyle::shortStyle:
      return {" unit-width-short", ULISTFMT_WIDTH_SHORT};
    case UnitsStyle::full:
      break;
  }
  return {" unit-width-full-name", ULISTFMT_WIDTH_WIDE};
}

// Numbers grouped as the locale's decimal format groups them: four digits too ("1 234" in
// Belarusian, whose own rule leaves them whole), and none where it has no grouping
// (en_US_POSIX's "1234").
const char* grouping(const Formatting& icu, const std::string& locale) {
  UErrorCode status = U_ZERO_ERROR;
  Handle<UNumberFormat> decimal(
      icu.numberOpen(UNUM_DECIMAL, nullptr, 0, locale.c_str(), nullptr, &status), icu.numberClose);
  if (U_FAILURE(status) || decimal == nullptr) return "";
  return icu.numberAttribute(decimal.get(), UNUM_GROUPING_USED) != 0 ? " group-on-aligned"
                                                                     : " group-off";
}

struct Amount {
  const UnitSpan* unit;
  std::int64_t value;
};

// "2 hours", in the locale's words; none when ICU fails.
std::optional<std::u16string> formatAmount(const Formatting& icu, const Amount& amount,
                                           const std::string& widthAndGrouping,
                                           const std::string& locale) {
  const std::u16string skeleton = utf8ToUtf16(amount.unit->skeleton + widthAndGrouping);
  UErrorCode status = U_ZERO_ERROR;
  Handle<UNumberFormatter> formatter(
      icu.measureOpen(reinterpret_cast<const UChar*>(skeleton.data()),
                      static_cast<int32_t>(skeleton.size()), locale.c_str(), &status),
      icu.measureClose);
  Handle<UFormattedNumber> result(icu.measureResultOpen(&status), icu.measureResultClose);
  if (U_FAILURE(status) || formatter == nullptr || result == nullptr) return std::nullopt;
  icu.measureFormat(formatter.get(), amount.value, result.get(), &status);
  if (U_FAILURE(status)) return std::nullopt;
  return icu_support::textOf([&](UChar* text, int32_t capacity, UErrorCode* error) {
    return icu.measureText(result.get(), text, capacity, error);
  });
}

// The amounts joined as the locale lists units ("2 hours, 5 minutes").
std::optional<std::string> formatAmounts(const Formatting& icu, const std::vector<Amount>& amounts,
                                         UnitsStyle style, const std::string& locale) {
  const Width width = toIcu(style);
  const std::string widthAndGrouping = width.skeleton + std::string(grouping(icu, locale));
  std::vector<std::u16string> parts;
  for (const Amount& amount : amounts) {
    auto part = formatAmount(icu, amount, widthAndGrouping, locale);
    if (!part) return std::nullopt;
    parts.push_back(std::move(*part));
  }
  UErrorCode status = U_ZERO_ERROR;
  Handle<UListFormatter> list(
      icu.listOpen(locale.c_str(), ULISTFMT_TYPE_UNITS, width.list, &status), icu.listClose);
  if (U_FAILURE(status) || list == nullptr) return std::nullopt;
  std::vector<const UChar*> texts;
  std::vector<int32_t> lengths;
  for (const std::u16string& part : parts) {
    texts.push_back(reinterpret_cast<const UChar*>(part.data()));
    lengths.push_back(static_cast<int32_t>(part.size()));
  }
  auto out = icu_support::textOf([&](UChar* text, int32_t capacity, UErrorCode* error) {
    return icu.listFormat(list.get(), texts.data(), lengths.data(),
                          static_cast<int32_t>(texts.size()), text, capacity, error);
  });
  if (!out || out->empty()) return std::nullopt;
  return utf16ToUtf8(*out);
}

}  // namespace

std::string localeDataVersion() { return U_ICU_VERSION; }

DateComponentsFormatter::DateComponentsFormatter()
    : allowedUnits_(CalendarUnit::day | CalendarUnit::hour | CalendarUnit::minute |
                    CalendarUnit::second) {}

std::optional<std::string> DateComponentsFormatter::stringFromTimeInterval(double seconds) const {
  if (!std::isfinite(seconds) || std::fabs(seconds) > kLargestSpan) return std::nullopt;

  std::vector<Amount> amounts;
  auto remainder = static_cast<std::int64_t>(std::trunc(std::fabs(seconds)));
  for (const UnitSpan& unit : kUnits) {
    if (!contains(allowedUnits_, unit.unit)) continue;
    amounts.push_back({&unit, remainder / unit.seconds});
    remainder %= unit.seconds;
  }
  if (amounts.empty()) return std::nullopt;

  std::vector<Amount> shown;
  std::size_t first = 0;
  while (first < amounts.size() && amounts[first].value == 0) ++first;
  if (first == amounts.size()) {
    shown.push_back(amounts.back());
  } else {
    std::size_t end = amounts.size();
    if (maximumUnitCount_ > 0) end = std::min(end, first + maximumUnitCount_);
    for (std::size_t i = first; i < end; ++i) {
      if (amounts[i].value != 0) shown.push_back(amounts[i]);
    }
  }
  if (seconds < 0 && shown.front().value != 0) shown.front().value = -shown.front().value;

  const Formatting* icu = icu_library::formatting();
  if (icu == nullptr) return std::nullopt;
  auto text =
      formatAmounts(*icu, shown, unitsStyle_, icu_support::canonical(*icu, calendar_.locale()));
  if (!text) return std::nullopt;
  if (includesTimeRemainingPhrase_) *text += " remaining";
  return text;
}

}  // namespace vigilix::platform
