#pragma once

#include <optional>
#include <string>

#include "platform/buswire/bus_message.h"

namespace vigilix::platform {

// How system-wide notifications travel on the session bus; shells and other
// programs rely on it. A post is the broadcast signal `Posted` with the name
// as arg0 and the text object, when there is one, as arg1 (signature "s" or
// "ss"). Receivers match on arg0, so the bus only wakes those who observe a name.
inline constexpr const char* kDistributedCenterPath =
    "/run/tarvo/vigilix/DistributedNotificationCenter";
inline constexpr const char* kDistributedCenterInterface =
    "run.tarvo.vigilix.DistributedNotificationCenter";
inline constexpr const char* kPostedMember = "Posted";

struct PostedNotification {
  std::string name;
  std::optional<std::string> object;
  bool operator==(const PostedNotification&) const = default;
};

// The match rule for the posts of `name`. An empty name, or one no rule can
// hold (see isMatchRuleValue), gets the rule for every post: filter on the name.
std::string postedMatchRule(const std::string& name);

// The `Posted` signal of a post, ready to be sent.
WireMessage postedSignal(const PostedNotification& posted);
// The post a message carries; none when it is not a `Posted` signal of "s" or "ss".
std::optional<PostedNotification> postedFromSignal(const WireMessage& message);

}  // namespace vigilix::platform
