#pragma once

#include "platform/base/logger.h"

namespace vigilix::platform {

// The log of the user-notification centres ("UserNotifications").
const Logger& userNotificationLog();

}  // namespace vigilix::platform
