#include "cli/cli_agent_hook.h"

#include "agentcontracts/agent_hook_log.h"
#include "agentcontracts/agent_payload.h"
#include "agentcontracts/agent_seq.h"
#include "agentcontracts/agent_session_pin.h"
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
  // An ok that did nothing says so: a release the application ignored.
  if (reply.status == VGXCLIv2Status::ok && reply.message) return *reply.message;
  return std::string(rawValue(reply.status));
}

// A counter that cannot be kept counts 1, for a start and its stop alike: the hold matters
// more than its order. The trouble is noted beside the outcome.
std::int64_t sequenceNumber(const std::expected<std::int64_t, VGXAgentFileError>& seq,
                            std::string& note) {
  if (seq) return *seq;
  agentFilesLog().error("Counting 1: {}", seq.error().message);
  note = " (counted 1)";
  return 1;
}

// Holds under the launch epoch and stop generation the session began with. A stale answer of
// the same launch means a person stopped keeping awake since: the session takes no more holds.
// One of a new launch starts the session over with that launch.
std::string sessionHold(VGXCLIClient& client, VGXCLIv2Request request, const std::string& session,
                        const std::filesystem::path& folder) {
  auto pinned = VGXAgentSessionPins::read(session, folder);
  std::optional<VGXAgentSessionPin> pin = pinned ? *pinned : std::nullopt;
  if (pin && pin->stopped) return "stopped for this session";
  // Kept when it can be; a session that cannot keep it asks again at its next event.
  const auto keep = [&] { (void)VGXAgentSessionPins::write(session, folder, *pin); };
  if (!pin) {
    auto epoch = client.send(VGXCLIv2Request{.verb = VGXCLIv2Verb::epoch});
    if (!epoch || epoch->reply.status != VGXCLIv2Status::ok) return outcome(epoch);
    pin = VGXAgentSessionPin{epoch->reply.epoch, epoch->reply.gen};
    keep();
  }
  request.verb = VGXCLIv2Verb::hold;
  request.epoch = pin->epoch;
  request.gen = pin->gen;
  auto answer = client.send(request);
  if (!answer || answer->reply.status != VGXCLIv2Status::stale) return outcome(answer);
  if (answer->reply.epoch == pin->epoch) {
    pin->stopped = true;
    keep();
    return "stale: stopped for this session";
  }
  pin = VGXAgentSessionPin{answer->reply.epoch, answer->reply.gen};
  keep();
  request.epoch = pin->epoch;
  request.gen = pin->gen;
  return outcome(client.send(request));
}

std::string eventResult(const VGXCLICommand& command, VGXCLIClient* client,
                        const VGXCLIHookContext& context) {
  const auto hook =
      VGXAgentPayload::parse(std::span<const std::uint8_t>(context.payload), command.tool);
  if (!hook) return context.payload.empty() ? "no payload" : "no session in payload";
  if (!client) return "no session bus";
  // The session's holds, its sub-agents' included.
  const std::string session =
      std::string(platform::prefixGraphemes(command.tool + ":" + hook->session, kIDLimit));
  VGXCLIv2Request request{.tool = command.tool};
  std::string note;
  switch (command.hookVerb) {
    case VGXHookVerb::start: {
      request.id = hook->holdID;
      request.corr = hook->corr;
      request.seq =
          sequenceNumber(VGXAgentSeq::value(hook->holdID, true, context.sequenceDirectory), note);
      request.ttl = static_cast<std::int64_t>(VGXAgentPayload::defaultTTL(command.tool));
      if (const auto process = context.agentProcess(command.tool)) {
        request.pid = process->pid;
        request.pidStart = process->pidStart;
      }
      return sessionHold(*client, request, session, context.sequenceDirectory) + note;
    }
    case VGXHookVerb::stop: {
      request.verb = VGXCLIv2Verb::release;
      request.id = hook->holdID;
      request.corr = hook->corr;
      request.seq =
          sequenceNumber(VGXAgentSeq::value(hook->holdID, false, context.sequenceDirectory), note);
      return outcome(client->send(request)) + note;
    }
    case VGXHookVerb::end:
      request.verb = VGXCLIv2Verb::release;
      request.id = session;
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
