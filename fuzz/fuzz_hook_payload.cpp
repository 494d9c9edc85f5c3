// Any bytes on a hook's standard input either name no session or give a hold
// identifier of at most 200 characters that begins with the tool and the
// session's start, a correlation of at most 128, and a session that is not empty.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "agentcontracts/agent_payload.h"
#include "platform/base/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (const std::string_view tool : {"claude", "codex", "grok", "cursor", "gemini", "other"}) {
    const auto parsed = vigilix::VGXAgentPayload::parse(std::span(data, size), tool);
    if (!parsed) continue;
    if (parsed->session.empty() || !parsed->holdID.starts_with(std::string(tool) + ":") ||
        !vigilix::platform::graphemeCountIsAtMost(parsed->holdID, 200)) {
      std::abort();
    }
    if (parsed->corr && !vigilix::platform::graphemeCountIsAtMost(*parsed->corr, 128)) std::abort();
  }
  return 0;
}
