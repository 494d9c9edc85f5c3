#include "health/keep_awake_notification_request.h"

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"

namespace vigilix {

using platform::localized;

namespace {

std::string stoppedTitle(const char* comment) { return localized("Keep-awake stopped", comment); }

std::string sleepAgainBody() {
  return localized("Vigilix let your computer sleep again.",
                   "Notification body when nothing else is keeping the computer awake");
}

VGXKeepAwakeNotificationRequest stopRequest(const char* identifier, std::string title,
                                            std::string body, const std::string& thread) {
  return {identifier, std::move(title), std::move(body), identifier, thread, false};
}

}  // namespace

std::vector<platform::NotificationCategory> sessionNotificationCategories() {
  std::vector<platform::NotificationCategory> categories;
  categories.push_back({kVGXSessionEndedCategory,
                        {{kVGXAdd15MinutesAction,
                          localized("Add 15 Minutes", "Session-ended notification action")}}});
  for (const char* identifier :
       {kVGXHeatStoppedIdentifier, kVGXBatteryStoppedIdentifier, kVGXLidOpenStoppedIdentifier,
        kVGXCapStoppedIdentifier, kVGXProtectionLostIdentifier}) {
    categories.push_back({identifier, {}});
  }
  return categories;
}

VGXKeepAwakeNotificationRequest sessionEndedRequest(const std::string& thread) {
  return {kVGXSessionEndedCategory,
          localized("Keep-awake session ended", "Timed session ended notification title"),
          sleepAgainBody(),
          kVGXSessionEndedCategory,
          thread,
          true};
}

VGXKeepAwakeNotificationRequest heatStoppedRequest(const std::string& thread) {
  return stopRequest(kVGXHeatStoppedIdentifier, stoppedTitle("Heat-protection notification title"),
                     localized("Vigilix stopped because your computer was getting hot.",
                               "Heat-protection notification body"),
                     thread);
}

VGXKeepAwakeNotificationRequest closedLidLatchedRequest(ClosedLidLatchCause cause,
                                                        const std::string& thread) {
  std::string title = stoppedTitle("Closed-lid safety notification title");
  switch (cause) {
    case ClosedLidLatchCause::heat:
      return stopRequest(kVGXHeatStoppedIdentifier, std::move(title),
                         localized("Vigilix stopped because your computer was getting hot.",
                                   "Closed-lid heat latch notification body"),
                         thread);
    case ClosedLidLatchCause::battery:
      return stopRequest(kVGXBatteryStoppedIdentifier, std::move(title),
                         localized("Vigilix stopped because the battery reached its floor.",
                                   "Closed-lid battery latch notification body"),
                         thread);
    case ClosedLidLatchCause::lidCap:
      break;
  }
  return stopRequest(kVGXCapStoppedIdentifier, std::move(title),
                     localized("Vigilix stopped because the battery time limit was reached.",
                               "Closed-lid time-cap latch notification body"),
                     thread);
}

VGXKeepAwakeNotificationRequest lidOpenedRequest(const std::string& thread) {
  return stopRequest(
      kVGXLidOpenStoppedIdentifier, stoppedTitle("Lid-open notification title"),
      localized("Vigilix stopped because you opened the lid.", "Lid-open notification body"),
      thread);
}

VGXKeepAwakeNotificationRequest protectionLostRequest(const std::string& thread) {
  return stopRequest(
      kVGXProtectionLostIdentifier, stoppedTitle("Protection-lost notification title"),
      localized("Vigilix couldn't keep your computer awake.", "Protection-lost notification body"),
      thread);
}

VGXKeepAwakeNotificationRequest watchFinishedRequest(
    const std::string& kind, const std::string& name,
    const std::optional<std::string>& stillAwakeReason, const std::string& thread) {
  const std::string format =
      kind == "app"
          ? localized("%@ quit", "Watch-finished notification; app name")
          : localized("“%@” finished downloading", "Watch-finished notification; file name");
  std::string body =
      stillAwakeReason
          ? platform::fillPlaceholders(
                localized("Your computer stays awake: %@.",
                          "Watch-finished notification body when another reason is still active"),
                {*stillAwakeReason})
          : sleepAgainBody();
  return {kVGXWatchFinishedIdentifierPrefix + kind + "." + name,
          platform::fillPlaceholders(format, {name}),
          std::move(body),
          "",
          thread,
          false};
}

platform::NotificationRequest toNotificationRequest(
    const VGXKeepAwakeNotificationRequest& request) {
  return {request.identifier,
          {request.title, request.body, request.threadIdentifier, request.categoryIdentifier,
           platform::InterruptionLevel::active}};
}

}  // namespace vigilix
