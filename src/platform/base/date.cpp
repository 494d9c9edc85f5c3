#include "platform/base/date.h"

#include <fmt/format.h>

#include <cmath>
#include <ostream>

#include "platform/base/date_format.h"

namespace vigilix::platform {

bool Date::isFinite() const { return std::isfinite(sinceReference_); }

void PrintTo(const Date& date, std::ostream* os) {
  *os << fmt::format("{} ({} s since 2001)", dateDescription(date),
                     date.timeIntervalSinceReferenceDate());
}

}  // namespace vigilix::platform
