#include "platform/buswire/posted_notification.h"

#include "platform/buswire/match_rule.h"

namespace vigilix::platform {

std::string postedMatchRule(const std::string& name) {
  SignalMatch match;
  match.path = kDistributedCenterPath;
  match.interface = kDistributedCenterInterface;
  match.member = kPostedMember;
  if (!name.empty() && isMatchRuleValue(name)) match.arg0 = name;
  return *signalMatchRule(match);
}

WireMessage postedSignal(const PostedNotification& posted) {
  WireMessage signal;
  signal.type = static_cast<std::uint8_t>(WireMessageType::Signal);
  signal.flags = kBusNoReplyExpected;
  signal.path = kDistributedCenterPath;
  signal.interface = kDistributedCenterInterface;
  signal.member = kPostedMember;
  signal.signature = posted.object ? "ss" : "s";
  signal.arguments.emplace_back(posted.name);
  if (posted.object) signal.arguments.emplace_back(*posted.object);
  return signal;
}

std::optional<PostedNotification> postedFromSignal(const WireMessage& message) {
  if (message.type != static_cast<std::uint8_t>(WireMessageType::Signal) ||
      message.path != kDistributedCenterPath || message.interface != kDistributedCenterInterface ||
      message.member != kPostedMember || (message.signature != "s" && message.signature != "ss")) {
    return std::nullopt;
  }
  PostedNotification posted{std::get<std::string>(message.arguments[0]), std::nullopt};
  if (message.arguments.size() == 2) posted.object = std::get<std::string>(message.arguments[1]);
  return posted;
}

}  // namespace vigilix::platform
