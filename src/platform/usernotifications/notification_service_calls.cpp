#include "platform/usernotifications/notification_service_calls.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cstdlib>

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

int appendNotify(sd_bus_message* message, const NotifyArguments& arguments) {
  int result =
      sd_bus_message_append(message, "susss", kNotificationApplicationName, arguments.replacesId,
                            "", arguments.summary.c_str(), arguments.body.c_str());
  if (result < 0) return result;
  result = sd_bus_message_open_container(message, 'a', "s");
  for (const std::string& text : arguments.actions) {
    if (result < 0) return result;
    result = sd_bus_message_append(message, "s", text.c_str());
  }
  if (result < 0) return result;
  result = sd_bus_message_close_container(message);
  if (result < 0) return result;
  result = sd_bus_message_append(message, "a{sv}", 2, "desktop-entry", "s",
                                 kNotificationDesktopEntry, "urgency", "y", arguments.urgency);
  if (result < 0) return result;
  return sd_bus_message_append(message, "i", -1);
}

std::optional<NotificationServiceCapabilities> readCapabilities(sd_bus_message* reply) {
  char** names = nullptr;
  if (sd_bus_message_read_strv(reply, &names) < 0 || names == nullptr) return std::nullopt;
  NotificationServiceCapabilities capabilities;
  for (char** name = names; *name != nullptr; ++name) {
    const std::string_view text(*name);
    capabilities.actions = capabilities.actions || text == "actions";
    capabilities.bodyMarkup = capabilities.bodyMarkup || text == "body-markup";
    std::free(*name);  // sd-bus hands over texts from malloc
  }
  std::free(names);
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
