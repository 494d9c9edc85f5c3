#include "cli/cli_agent_hook.h"

#include "agentcontracts/agent_hook_log.h"
#include "agentcontracts/agent_payload.h"
#include "agentcontracts/agent_seq.h"
#include "platform/base/text.h"

namespace vigilix {

namespace {

constexpr std::size_t kIDLimit = 200;

std::string outcome(const std::expected<VGXCLIAnswer<VGXCLIv2Reply>, VGXCLIFailure>& answer) {
  if (!answer) {
    return answer.error() == VGXCLIFailure::noReply ? "no reply" : "request over protocol limits";
  }
  const VGXCLIv2Reply& reply = answer->reply;
  if (reply.status == VGXCLIv2Status::error) return "error: " + reply.message.value_or("");
  return std::string(rawValue(reply.status));
}

std::string eventResult(const VGXCLICommand& command, VGXCLIClient* client,
                        const VGXCLIHookContext& context) {
  const auto hook =
      VGXAgentPayload::parse(std::span<const std::uint8_t>(context.payload), command.tool);
  if (!hook) return context.payload.empty() ? "no payload" : "no session in payload";
  if (!client) return "no session bus";
  VGXCLIv2Request request{.tool = command.tool};
  switch (command.hookVerb) {
    case VGXHookVerb::start: {
      const auto seq = VGXAgentSeq::value(hook->holdID, true, context.sequenceDirectory);
      if (!seq) return "no sequence number: " + seq.error().message;
      request.id = hook->holdID;
      request.corr = hook->corr;
      request.seq = *seq;
      request.ttl = static_cast<std::int64_t>(VGXAgentPayload::defaultTTL(command.tool));
      if (const auto process = context.agentProcess(command.tool)) {
        request.pid = process->pid;
        request.pidStart = process->pidStart;
      }
      return outcome(client->hold(request));
    }
    case VGXHookVerb::stop: {
      const auto seq = VGXAgentSeq::value(hook->holdID, false, context.sequenceDirectory);
      if (!seq) return "no sequence number: " + seq.error().message;
      request.verb = VGXCLIv2Verb::release;
      request.id = hook->holdID;
      request.corr = hook->corr;
      request.seq = *seq;
      return outcome(client->send(request));
    }
    case VGXHookVerb::end:
      // The session's holds, its sub-agents' included.
      request.verb = VGXCLIv2Verb::release;
      request.id =
          std::string(platform::prefixGraphemes(command.tool + ":" + hook->session, kIDLimit));
      request.label = "session-end";
      return outcome(client->send(request));
  }
  return "unknown event";
}

}  // namespace

std::string runAgentHook(const VGXCLICommand& command, VGXCLIClient* client,
                         const VGXCLIHookContext& context) {
  std::string result = eventResult(command, client, context);
  // The log is the only trace of a hook run; a log that cannot be written changes nothing.
  (void)VGXAgentHookLog::append(command.tool, rawValue(command.hookVerb), result,
                                context.hooksLogFile);
  return result;
}

}  // namespace vigilix
