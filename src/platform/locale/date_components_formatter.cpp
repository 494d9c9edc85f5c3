#include "platform/locale/date_components_formatter.h"

#include <unicode/measfmt.h>
#include <unicode/measunit.h>
#include <unicode/measure.h>
#include <unicode/uvernum.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/locale/icu_support.h"

namespace vigilix::platform {
namespace {

struct UnitSpan {
  CalendarUnit unit;
  std::int64_t seconds;
  icu::MeasureUnit (*measureUnit)();
};

const UnitSpan kUnits[] = {
    {CalendarUnit::day, 86400, &icu::MeasureUnit::getDay},
    {CalendarUnit::hour, 3600, &icu::MeasureUnit::getHour},
    {CalendarUnit::minute, 60, &icu::MeasureUnit::getMinute},
    {CalendarUnit::second, 1, &icu::MeasureUnit::getSecond},
};

// Beyond this a span no longer fits whole seconds exactly.
constexpr double kLargestSpan = 9.0e15;

UMeasureFormatWidth toIcu(UnitsStyle style) {
  switch (style) {
    case UnitsStyle::abbreviated:
      return UMEASFMT_WIDTH_NARROW;
    case UnitsStyle::shortStyle:
      return UMEASFMT_WIDTH_SHORT;
    case UnitsStyle::full:
      return UMEASFMT_WIDTH_WIDE;
  }
  return UMEASFMT_WIDTH_WIDE;
}

struct Amount {
  const UnitSpan* unit;
  std::int64_t value;
};

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

  UErrorCode status = U_ZERO_ERROR;
  icu::MeasureFormat format(icu_support::toIcu(calendar_.locale()), toIcu(unitsStyle_), status);
  if (U_FAILURE(status)) return std::nullopt;
  std::vector<icu::Measure> measures;
  measures.reserve(shown.size());
  for (const Amount& amount : shown) {
    measures.emplace_back(icu::Formattable(static_cast<int64_t>(amount.value)),
                          amount.unit->measureUnit().clone(), status);
  }
  icu::UnicodeString out;
  icu::FieldPosition position;
  format.formatMeasures(measures.data(), static_cast<int32_t>(measures.size()), out, position,
                        status);
  if (U_FAILURE(status) || out.isEmpty()) return std::nullopt;
  std::string text = icu_support::toUtf8(out);
  if (includesTimeRemainingPhrase_) text += " remaining";
  return text;
}

}  // namespace vigilix::platform
