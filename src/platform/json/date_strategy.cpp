#include "platform/json/date_strategy.h"

namespace vigilix::platform::json {

Value encodeDate(Date date, DateStrategy strategy) {
  double seconds = strategy == DateStrategy::secondsSince1970
                       ? date.timeIntervalSince1970()
                       : date.timeIntervalSinceReferenceDate();
  return Value(seconds);
}

Date dateFromSeconds(double seconds, DateStrategy strategy) {
  return strategy == DateStrategy::secondsSince1970
             ? Date::fromTimeIntervalSince1970(seconds)
             : Date::fromTimeIntervalSinceReferenceDate(seconds);
}

}  // namespace vigilix::platform::json
