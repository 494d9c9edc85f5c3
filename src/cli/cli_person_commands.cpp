#include "cli/cli_person_commands.h"

#include <fmt/format.h>

#include "agentcontracts/agent_payload.h"
#include "keepawake/health_line.h"
#include "platform/json/json_reader.h"

namespace vigilix {

namespace {

template <typename Reply>
using Answer = std::expected<VGXCLIAnswer<Reply>, VGXCLIFailure>;

VGXCLIOutput refused(std::string message) {
  return {.exitCode = kCLIExitRefused, .err = std::move(message)};
}

// No answer or a request that could not be sent; none when there is a reply.
template <typename Reply>
std::optional<VGXCLIOutput> failure(const Answer<Reply>& answer) {
  if (answer) return std::nullopt;
  if (answer.error() == VGXCLIFailure::noReply) {
    return VGXCLIOutput{.exitCode = kCLIExitNoAnswer, .err = kCLINoAnswerMessage};
  }
  return VGXCLIOutput{.exitCode = kCLIExitUsage,
                      .err =
                          "The request is too long: a tool has at most 32 characters, an id "
                          "and a label at most 200.\n"};
}

constexpr const char* kPolicyDeniedMessage = "Your administrator's policy doesn't allow this.\n";

VGXCLIOutput v2Outcome(const VGXCLICommand& command, const Answer<VGXCLIv2Reply>& answer,
                       const std::function<std::string(const VGXCLIv2Reply&)>& done) {
  if (auto failed = failure(answer)) return *failed;
  const VGXCLIv2Reply& reply = answer->reply;
  VGXCLIOutput output;
  switch (reply.status) {
    case VGXCLIv2Status::ok:
      output.out = done(reply);
      break;
    case VGXCLIv2Status::stale:
      output = refused("Vigilix restarted or stopped keeping awake meanwhile. Try again.\n");
      break;
    case VGXCLIv2Status::policyDenied:
      output = refused(kPolicyDeniedMessage);
      break;
    case VGXCLIv2Status::unknownVerb:
      output = refused("The running Vigilix doesn't know this command.\n");
      break;
    case VGXCLIv2Status::appTooOld:
      output = refused("The running Vigilix is too old for this command. Update it.\n");
      break;
    case VGXCLIv2Status::error:
      output = refused("Vigilix refused the request: " + reply.message.value_or("no reason given") +
                       "\n");
      break;
  }
  if (command.json) {
    output.out = answer->text + "\n";
    output.err.clear();
  }
  return output;
}

std::string holdsListing(const VGXCLIv2Reply& reply) {
  if (!reply.holds || reply.holds->empty()) return "No agent holds.\n";
  std::string listing;
  for (const VGXCLIv2HoldInfo& hold : *reply.holds) {
    listing += fmt::format("{}  {}  {} s left\n", hold.id, hold.tool.value_or("-"), hold.expiresIn);
  }
  return listing;
}

// The health lines of a doctor report, one a line: "Title: detail (Severity)". None when the
// report is not a list of lines.
std::optional<std::string> doctorReport(const std::string& text, bool& anyError) {
  const auto lines = platform::json::parse(text);
  if (!lines || !lines->is_array()) return std::nullopt;
  std::string report;
  for (const platform::json::Value& each : *lines) {
    const auto line = decodeHealthLine(each);
    if (!line) return std::nullopt;
    anyError = anyError || line->severity == VGXHealthSeverity::Error;
    report +=
        fmt::format("{}: {} ({})\n", line->title, line->detail, localizedTitle(line->severity));
  }
  return report;
}

VGXCLIOutput doctorOutcome(const VGXCLICommand& command, const Answer<VGXCLIv2Reply>& answer) {
  // An error line makes the whole reply an error: the lines still say which.
  if (command.json || !answer || !answer->reply.doctor ||
      (answer->reply.status != VGXCLIv2Status::ok &&
       answer->reply.status != VGXCLIv2Status::error)) {
    return v2Outcome(command, answer, [](const VGXCLIv2Reply&) { return std::string(); });
  }
  bool anyError = false;
  const auto report = doctorReport(*answer->reply.doctor, anyError);
  if (!report) return refused("Vigilix answered something unexpected.\n");
  return {.exitCode = anyError ? kCLIExitRefused : kCLIExitDone, .out = *report};
}

VGXCLIOutput textOutcome(const VGXCLICommand& command, const Answer<VGXCLIReply>& answer) {
  if (auto failed = failure(answer)) return *failed;
  VGXCLIOutput output;
  const auto& value = answer->reply.value;
  if (std::holds_alternative<VGXCLIReply::PolicyDenied>(value)) {
    output = refused(kPolicyDeniedMessage);
  } else if (const auto* status = std::get_if<VGXCLIReply::Status>(&value)) {
    if (command.kind == VGXCLICommandKind::status) {
      output.out = !status->isAwake         ? "Not keeping awake.\n"
                   : status->reason.empty() ? "Keeping awake.\n"
                                            : "Keeping awake: " + status->reason + "\n";
    } else {
      // A watch that could not be set up is answered with the state and why.
      output = refused(status->reason + "\n");
    }
  } else if (command.kind == VGXCLICommandKind::watch) {
    output.out = fmt::format("Keeping awake until process {} ends.\n", command.pid);
  } else if (command.kind == VGXCLICommandKind::unwatch) {
    output.out = fmt::format("No longer watching process {}.\n", command.pid);
  } else {
    output = refused("Vigilix answered something unexpected.\n");
  }
  if (command.json) {
    output.out = answer->text + "\n";
    output.err.clear();
  }
  return output;
}

}  // namespace

VGXCLIOutput runPersonCommand(const VGXCLICommand& command, VGXCLIClient& client) {
  switch (command.kind) {
    case VGXCLICommandKind::status:
    case VGXCLICommandKind::watch:
    case VGXCLICommandKind::unwatch: {
      VGXCLIRequest request;
      request.verb = command.kind == VGXCLICommandKind::watch     ? VGXCLIVerb::watch
                     : command.kind == VGXCLICommandKind::unwatch ? VGXCLIVerb::unwatch
                                                                  : VGXCLIVerb::status;
      request.pid = command.pid;
      request.label = command.label;
      return textOutcome(command, client.send(request));
    }
    case VGXCLICommandKind::holds:
      return v2Outcome(command, client.send(VGXCLIv2Request{.verb = VGXCLIv2Verb::holds}),
                       holdsListing);
    case VGXCLICommandKind::doctor:
      return doctorOutcome(command, client.send(VGXCLIv2Request{.verb = VGXCLIv2Verb::doctor}));
    case VGXCLICommandKind::hold: {
      const std::int64_t ttl = command.ttl.value_or(
          static_cast<std::int64_t>(VGXAgentPayload::defaultTTL(command.tool)));
      VGXCLIv2Request request{.id = command.id, .ttl = ttl, .tool = command.tool};
      if (!command.label.empty()) request.label = command.label;
      return v2Outcome(command, client.hold(request), [&](const VGXCLIv2Reply&) {
        return fmt::format("Holding {} for {} s.\n", command.id, ttl);
      });
    }
    case VGXCLICommandKind::release: {
      // Every hold under the id, whatever prompt and event it came from.
      const VGXCLIv2Request request{
          .verb = VGXCLIv2Verb::release, .id = command.id, .label = "session-end"};
      return v2Outcome(command, client.send(request), [&](const VGXCLIv2Reply&) {
        return fmt::format("Released {}.\n", command.id);
      });
    }
    case VGXCLICommandKind::help:
    case VGXCLICommandKind::version:
    case VGXCLICommandKind::agent:
    case VGXCLICommandKind::run:
      break;
  }
  return {.exitCode = kCLIExitUsage, .err = "Not a command for the application.\n"};
}

}  // namespace vigilix
