#include "bridge/trigger_bridge.h"

namespace vigilix {

void VGXTriggerBridge::applyPolicy(platform::Date) {}
void VGXTriggerBridge::setIsPresencePosting(bool posting) { isPresencePosting_ = posting; }
std::string VGXTriggerBridge::policySignature() const { return {}; }
void VGXTriggerBridge::policyDidChange() {}

}  // namespace vigilix
