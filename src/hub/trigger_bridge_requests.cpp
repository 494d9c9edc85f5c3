#include "agents/cli_protocol.h"
#include "agents/cli_v2_codec.h"
#include "hub/trigger_bridge.h"
#include "keepawake/policy_action.h"
#include "platform/base/localized.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"
#include "policy/policy_gate.h"

namespace vigilix {

using platform::weakly;

void VGXTriggerBridge::installCLIObserver() {
  if (cliObserver_ || !neighbours_.commandLine) return;
  cliObserver_ = neighbours_.commandLine->listen(
      weakly(this, [](VGXTriggerBridge& bridge,
                      const std::optional<std::string>& text) { bridge.handleCLIRequest(text); }),
      weakly(this, [](VGXTriggerBridge& bridge) { return bridge.controller_.stopGeneration(); }));
}

void VGXTriggerBridge::installControlObserver() {
  if (controlObserver_ || !neighbours_.controlShare) return;
  // Taking the request removes it from the app group: the hub's own write,
  // which starts no settings pass.
  const auto takeRequest = [](VGXTriggerBridge& bridge) {
    std::optional<bool> value;
    bridge.writeOwnDefaults(
        [&] { value = bridge.neighbours_.controlShare->takeRequest(bridge.now()); });
    if (value) bridge.handleControlRequest(*value);
  };
  controlObserver_ = neighbours_.controlShare->observeRequests(weakly(this, takeRequest));
  // A request left before the observer existed still counts while recent.
  takeRequest(*this);
}

void VGXTriggerBridge::handleCLIRequest(const std::optional<std::string>& object) {
  if (!object) return;
  HubCommandLine& commandLine = *neighbours_.commandLine;
  const auto post = [&commandLine](const std::optional<std::string>& reply) {
    if (reply) commandLine.postReply(*reply);
  };
  if (!VGXCLIv2Codec::looksLikeV2(*object)) {
    post(processCLITextRequest(*object));
    return;
  }
  const auto request = VGXCLIv2Codec::decodeRequest(*object);
  if (!request) return;
  // Answered here rather than by the server, so the refusal is never cached:
  // a hold sent again once the policy is lifted is carried out.
  if (request->verb == VGXCLIv2Verb::hold && neighbours_.agentHolds &&
      neighbours_.agentHolds->policyDenied()) {
    const VGXCLIv2Reply reply{.nonce = request->nonce,
                              .status = VGXCLIv2Status::policyDenied,
                              .epoch = commandLine.epoch(),
                              .gen = controller_.stopGeneration()};
    if (auto encoded = VGXCLIv2Codec::encodeReply(reply)) post(*encoded);
    return;
  }
  // A duplicate of a request still being answered waits for that answer
  // without holding up the main loop.
  commandLine.answer(*request, now(),
                     [neighbour = neighbours_.commandLine](std::optional<std::string> reply) {
                       if (reply) neighbour->postReply(*reply);
                     });
}

std::optional<std::string> VGXTriggerBridge::processCLITextRequest(const std::string& text) {
  const auto request = VGXCLIProtocol::parseRequest(text);
  if (!request) return std::nullopt;
  const auto reply = [&](const VGXCLIReply& answer) {
    return VGXCLIProtocol::encodeReply(request->nonce, answer);
  };
  if (request->verb == VGXCLIVerb::status) {
    return reply(VGXCLIReply::status(isAwake(), headerReasonLine()));
  }
  if (VGXPolicyGate::isForced(defaults_, kTriggersDefaultsKey)) {
    return reply(VGXCLIReply::policyDenied());
  }
  if (request->verb == VGXCLIVerb::unwatch) {
    unwatchProcessWithPid(request->pid);
    return reply(VGXCLIReply::ok());
  }
  if (watchProcessWithPid(request->pid, request->label)) return reply(VGXCLIReply::ok());
  return reply(VGXCLIReply::status(
      isAwake(), platform::localized("Vigilix couldn't watch that process — it may have already "
                                     "exited.",
                                     "CLI reply when a watch request fails")));
}

void VGXTriggerBridge::handleControlRequest(bool value) {
  if (value) {
    // Writing the state in force undoes the extension's optimistic "on".
    if (VGXKeepAwakeActionPolicy::refusalReason(defaults_, controller_.heatBlocked())) {
      persistAndPublish(now());
      return;
    }
    if (controller_.snapshot().isAwake) return;
    keepAwakeForDefaultDuration();
    return;
  }
  if (VGXKeepAwakeActionPolicy::managedFooter(defaults_)) {
    persistAndPublish(now());
    return;
  }
  stopKeepingAwake();
}

void VGXTriggerBridge::agentHoldsDidChange(std::vector<TriggerReason> reasons) {
  if (!platform::DispatchQueue::isMainThread()) {
    later([reasons = std::move(reasons)](VGXTriggerBridge& bridge) mutable {
      bridge.agentHoldsDidChange(std::move(reasons));
    });
    return;
  }
  controller_.setAgentReasons(std::move(reasons));
  persistAndPublish(now());
}

}  // namespace vigilix
