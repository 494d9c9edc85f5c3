#include "platform/base/date.h"

#include <cmath>

namespace vigilix::platform {

bool Date::isFinite() const { return std::isfinite(sinceReference_); }

}  // namespace vigilix::platform
