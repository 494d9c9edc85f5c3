#include "bridge/trigger_bridge.h"

namespace vigilix {

void VGXTriggerBridge::installCLIObserver() {}

void VGXTriggerBridge::installControlObserver() {}

void VGXTriggerBridge::handleCLIRequest(const std::optional<std::string>&) {}

std::optional<std::string> VGXTriggerBridge::processCLIRequest(const std::string&) {
  return std::nullopt;
}

std::optional<std::string> VGXTriggerBridge::processCLIv2Request(const std::string&) {
  return std::nullopt;
}

std::optional<std::string> VGXTriggerBridge::processCLITextRequest(const std::string&) {
  return std::nullopt;
}

void VGXTriggerBridge::handleControlRequest(bool) {}

void VGXTriggerBridge::agentHoldsDidChange(std::vector<TriggerReason>) {}

VGXCLIv2Server& VGXTriggerBridge::cliV2Server() {
  if (!cliV2Server_) {
    cliV2Server_ = std::make_unique<VGXCLIv2Server>(std::nullopt, [] { return std::int64_t{0}; });
  }
  return *cliV2Server_;
}

}  // namespace vigilix
