#pragma once

#include <systemd/sd-bus.h>

#include <optional>
#include <string>

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

// Appends the arguments of a post; sd-bus's result (negative when a text is
// not valid UTF-8 or holds a NUL).
int appendPosted(sd_bus_message* message, const PostedNotification& posted);
// The post a `Posted` signal carries; none for any other signature.
std::optional<PostedNotification> readPosted(sd_bus_message* message);
// The match rule for the posts of `name`. An empty name, or one no rule can
// hold (see isMatchRuleValue), gets the rule for every post: filter on the name.
std::string postedMatchRule(const std::string& name);

}  // namespace vigilix::platform
