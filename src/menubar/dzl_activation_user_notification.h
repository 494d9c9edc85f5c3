#pragma once

#include <optional>

#include "menubar/dzl_user_notification.h"
#include "platform/base/date.h"

namespace vigilix {

// Every start-and-stop notice has this identifier, so a newer one takes the
// place of an older one on the desktop.
inline constexpr const char* kDZLActivationIdentifier = "DZLActivationIdentifier";

// The notice that the computer is now kept awake (until `fireDate`, or with no
// end) or allowed to sleep again. The remaining time in the title is taken
// when the notice is made. Main thread.
class DZLActivationUserNotification : public DZLUserNotification {
 public:
  DZLActivationUserNotification(std::optional<platform::Date> fireDate, bool activating);

  const std::optional<platform::Date>& fireDate() const { return fireDate_; }
  bool activating() const { return activating_; }

 private:
  std::optional<platform::Date> fireDate_;
  bool activating_;
};

}  // namespace vigilix
