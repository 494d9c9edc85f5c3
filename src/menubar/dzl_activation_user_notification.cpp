#include "menubar/dzl_activation_user_notification.h"

#include "menubar/remaining_time_text.h"
#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"

namespace vigilix {

DZLActivationUserNotification::DZLActivationUserNotification(std::optional<platform::Date> fireDate,
                                                             bool activating)
    : fireDate_(fireDate), activating_(activating) {
  setIdentifier(kDZLActivationIdentifier);
  std::string title;
  std::string body;
  if (activating && fireDate) {
    title = platform::fillPlaceholders(
        platform::localized("Preventing Sleep for %@", "Notification title with the time left"),
        {RemainingTime::dzl_localizedRemainingTimeWithoutPhrase(*fireDate)});
    body = platform::localized(
        "Afterwards your computer will automatically go to sleep again when unused.",
        "Notification body of a session with an end");
  } else if (activating) {
    title = platform::localized("Preventing Sleep", "Notification title of a session with no end");
    body = platform::localized("You can still manually enable sleep mode for your computer.",
                               "Notification body of a session with no end");
  } else {
    title = platform::localized("Allowing Sleep", "Notification title when keep-awake ends");
    body = platform::localized("Your computer will automatically go to sleep when unused.",
                               "Notification body when keep-awake ends");
  }
  // Localised again when the notice is made, like any key.
  setLocalizedTitleWithKey(std::move(title));
  setLocalizedBodyTextWithKey(std::move(body));
}

}  // namespace vigilix
