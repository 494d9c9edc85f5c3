#include "platform/usernotifications/notification_service_calls.h"

#include <algorithm>

#include "platform/base/text.h"
#include "platform/buswire/match_rule.h"

namespace vigilix::platform {

namespace {

std::string validUtf8(std::string_view text) { return utf16ToUtf8(utf8ToUtf16(text)); }

std::uint8_t urgencyOf(InterruptionLevel level) {
  // "critical" would stay until dismissed: no level of ours asks for that.
  return level == InterruptionLevel::passive ? 0 : 1;
}

}  // namespace

NotifyArguments notifyArguments(const NotificationRequest& request,
                                const std::vector<NotificationCategory>& categories,
                                const NotificationServiceCapabilities& capabilities,
                                std::uint32_t replacesId) {
  const NotificationContent& content = request.content;
  NotifyArguments arguments;
  arguments.replacesId = replacesId;
  arguments.summary = validUtf8(content.title);
  std::string body =
      content.subtitle.empty() ? content.body : content.subtitle + "\n" + content.body;
  body = validUtf8(body);
  arguments.body = capabilities.bodyMarkup ? escapeXmlText(body) : body;
  arguments.urgency = urgencyOf(content.interruptionLevel);
  const auto category =
      std::ranges::find(categories, content.categoryIdentifier, &NotificationCategory::identifier);
  if (capabilities.actions && !content.categoryIdentifier.empty() && category != categories.end()) {
    for (const NotificationAction& action : category->actions) {
      arguments.actions.push_back(validUtf8(action.identifier));
      arguments.actions.push_back(validUtf8(action.title));
    }
  }
  return arguments;
}

void writeNotify(BusArgumentWriter& out, const NotifyArguments& arguments) {
  out.string(kNotificationApplicationName)
      .uint32(arguments.replacesId)
      .string("")
      .string(arguments.summary)
      .string(arguments.body)
      .strings(arguments.actions);
  out.open('a', "{sv}");
  out.open('e', "sv")
      .string("desktop-entry")
      .variant(std::string(kNotificationDesktopEntry))
      .close();
  out.open('e', "sv").string("urgency").variant(arguments.urgency).close();
  out.close();
  out.int32(-1);
}

std::optional<NotificationServiceCapabilities> readCapabilities(BusArgumentReader reply) {
  const std::vector<std::string> names = reply.strings();
  if (!reply) return std::nullopt;
  NotificationServiceCapabilities capabilities;
  for (const std::string& name : names) {
    capabilities.actions = capabilities.actions || name == "actions";
    capabilities.bodyMarkup = capabilities.bodyMarkup || name == "body-markup";
  }
  return capabilities;
}

std::string notificationSignalRule(const char* member) {
  SignalMatch match;
  match.path = kNotificationServicePath;
  match.interface = kNotificationServiceInterface;
  match.member = member;
  return *signalMatchRule(match);
}

}  // namespace vigilix::platform
