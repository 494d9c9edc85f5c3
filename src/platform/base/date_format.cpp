#include "platform/base/date_format.h"

#include <fmt/format.h>

#include <cmath>
#include <cstdint>

namespace vigilix::platform {
namespace {

struct Civil {
  std::int64_t year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
  int millisecond;
};

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  std::int64_t yoe = y - era * 400;
  std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

Civil civilFromMilliseconds(std::int64_t ms) {
  std::int64_t msPerDay = 86400000;
  std::int64_t days = ms >= 0 ? ms / msPerDay : (ms - msPerDay + 1) / msPerDay;
  std::int64_t rest = ms - days * msPerDay;
  std::int64_t z = days + 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  std::int64_t doe = z - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  std::int64_t y = yoe + era * 400 + (m <= 2);
  return Civil{y,
               m,
               d,
               static_cast<int>(rest / 3600000),
               static_cast<int>(rest / 60000 % 60),
               static_cast<int>(rest / 1000 % 60),
               static_cast<int>(rest % 1000)};
}

Civil civilOf(Date date) {
  double seconds = date.timeIntervalSince1970();
  // Clamped to about ±285,000 years so the microseconds fit 64 bits.
  constexpr double kLimit = 9.0e12;
  if (!std::isfinite(seconds)) seconds = 0;
  if (seconds > kLimit) seconds = kLimit;
  if (seconds < -kLimit) seconds = -kLimit;
  // Rounded to whole microseconds first, so that a value stored a hair below
  // a millisecond (1.123 read back as 1.12299999...) is not cut to the one
  // before.
  std::int64_t us = std::llround(seconds * 1e6);
  std::int64_t ms = us >= 0 ? us / 1000 : (us - 999) / 1000;
  return civilFromMilliseconds(ms);
}

bool readDigits(std::string_view text, std::size_t at, std::size_t count, int& out) {
  if (at + count > text.size()) return false;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  out = value;
  return true;
}

}  // namespace

std::string iso8601Text(Date date, bool withFractionalSeconds) {
  Civil c = civilOf(date);
  std::string out = fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", c.year, c.month, c.day,
                                c.hour, c.minute, c.second);
  if (withFractionalSeconds) out += fmt::format(".{:03}", c.millisecond);
  out += 'Z';
  return out;
}

std::optional<Date> dateFromISO8601(std::string_view text) {
  int year, month, day, hour, minute, second;
  if (text.size() < 20 || !readDigits(text, 0, 4, year) || text[4] != '-' ||
      !readDigits(text, 5, 2, month) || text[7] != '-' || !readDigits(text, 8, 2, day) ||
      text[10] != 'T' || !readDigits(text, 11, 2, hour) || text[13] != ':' ||
      !readDigits(text, 14, 2, minute) || text[16] != ':' || !readDigits(text, 17, 2, second)) {
    return std::nullopt;
  }
  double fraction = 0;
  std::size_t i = 19;
  if (text[i] == '.') {
    std::size_t start = ++i;
    double scale = 0.1;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      fraction += (text[i] - '0') * scale;
      scale /= 10;
      ++i;
    }
    if (i == start) return std::nullopt;
  }
  if (i + 1 != text.size() || text[i] != 'Z') return std::nullopt;
  static constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month < 1 || month > 12 || day < 1 || day > kDaysInMonth[month - 1] ||
      (month == 2 && day == 29 && !leap) || hour > 23 || minute > 59 || second > 59) {
    return std::nullopt;
  }
  double seconds = static_cast<double>(daysFromCivil(year, month, day)) * 86400.0 + hour * 3600.0 +
                   minute * 60.0 + second + fraction;
  return Date::fromTimeIntervalSince1970(seconds);
}

std::string dateDescription(Date date) {
  if (!date.isFinite()) return fmt::format("Date({})", date.timeIntervalSinceReferenceDate());
  Civil c = civilOf(date);
  return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02} +0000", c.year, c.month, c.day, c.hour,
                     c.minute, c.second);
}

}  // namespace vigilix::platform
