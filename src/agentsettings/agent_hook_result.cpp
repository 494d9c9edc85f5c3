#include "agentsettings/agent_hook_result.h"

#include <string_view>

#include "agentcontracts/agent_paths.h"
#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"

namespace vigilix::VGXAgentHookHealth {

namespace {

using platform::localized;
using enum VGXHealthSeverity;

struct Meaning {
  VGXHealthSeverity severity;
  std::string explanation;  // empty when the result says it all
};

// The results the command-line tool logs (cli/cli_agent_hook.cpp) and the ignored-release
// reasons of the hold store.
Meaning meaningOf(std::string_view result) {
  if (result == "ok") return {Ok, {}};
  if (result == "ignored: corr or seq mismatch") {
    return {Ok, localized("a late event of an earlier turn was ignored",
                          "Health Check: the last agent hook was a late stop")};
  }
  if (result == "ignored: nil corr") {
    return {Ok, localized("a stop that named no prompt, as a tool sends when it quits, was ignored",
                          "Health Check: the last agent hook was a stop without a prompt id")};
  }
  if (result.starts_with("ignored: ")) {
    return {Ok, localized("an event that came too late to change anything was ignored",
                          "Health Check: the application ignored the last agent hook")};
  }
  if (result.ends_with("stopped for this session")) {
    return {Ok, localized("you stopped keeping awake during this agent session, so it holds no "
                          "more",
                          "Health Check: the last agent hook's session was stopped by the person")};
  }
  if (result == "no reply") {
    return {Warning, localized("Vigilix did not answer: keep it running while agents work (turn on "
                               "Open at Login)",
                               "Health Check: the application did not answer an agent hook")};
  }
  if (result == "no session bus") {
    return {Warning, localized("the hook could not reach your desktop session: run the agent from "
                               "a terminal of your desktop session",
                               "Health Check: an agent hook ran outside the desktop session")};
  }
  if (result == "policyDenied") {
    return {Warning, localized("your organization's policy turns agent holds off: ask your "
                               "administrator if agents should keep the computer awake",
                               "Health Check: policy refused an agent hook")};
  }
  if (result == "appTooOld" || result == "unknownVerb") {
    return {Warning, localized("the running Vigilix is older than its command-line tool: quit "
                               "Vigilix and open it again",
                               "Health Check: an agent hook reached an older application")};
  }
  if (result == "no payload" || result == "no session in payload") {
    return {Warning, localized("the agent sent no session the hook could read: update the agent "
                               "tool, then its hooks under AI Agents in the Triggers settings",
                               "Health Check: an agent hook's input named no session")};
  }
  return {Warning, localized("if this happens again, install the hooks again under AI Agents in "
                             "the Triggers settings",
                             "Health Check: an agent hook failed")};
}

}  // namespace

VGXHealthLine lastHookLine(const VGXAgentHookRecord& record) {
  // A counter that could not be kept is noted after any result; the event itself went through.
  constexpr std::string_view kCountedOne = " (counted 1)";
  std::string_view result = record.result;
  const bool countedOne = result.ends_with(kCountedOne);
  if (countedOne) result.remove_suffix(kCountedOne.size());
  Meaning meaning = meaningOf(result);
  if (countedOne) {
    meaning.severity = Warning;
    if (!meaning.explanation.empty()) meaning.explanation += "; ";
    meaning.explanation += platform::fillPlaceholders(
        localized("the hook could not keep its event counter in %@ and counted 1: make sure that "
                  "folder can be written",
                  "Health Check: an agent hook could not keep its counter; the folder"),
        {VGXAgentPaths::sequenceDirectory().string()});
  }
  std::string detail = record.tool + " " + record.event + " \u2192 " + record.result;
  if (!meaning.explanation.empty()) detail += " \u2014 " + meaning.explanation;
  return {.title = localized("Last agent hook", "Health Check: last agent hook result"),
          .detail = std::move(detail),
          .severity = meaning.severity,
          .fixActionID = std::nullopt};
}

}  // namespace vigilix::VGXAgentHookHealth
