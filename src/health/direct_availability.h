#pragma once

#include <functional>

namespace vigilix {

// Whether the direct build's features were installed at launch. False until the composition
// sets it; the health check and the closed-lid availability read it. Main thread.
namespace VGXDirectAvailability {

bool isDirectBuild();
void setDirectBuild(bool direct);

// Chat presence switched from an address: true when the request was applied
// (only switching off is). Empty until the composition installs chat presence.
using ChatPresenceSwitch = std::function<bool(bool enabled)>;
const ChatPresenceSwitch& chatPresenceFromURL();
void setChatPresenceFromURL(ChatPresenceSwitch presenceSwitch);

}  // namespace VGXDirectAvailability

}  // namespace vigilix
