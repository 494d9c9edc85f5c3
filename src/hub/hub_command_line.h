#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "agents/cli_v2_records.h"
#include "platform/base/date.h"
#include "platform/base/observer_token.h"

namespace vigilix {

// The command-line tool's requests and the protocol server that answers
// the JSON ones, as the hub uses them.
class HubCommandLine {
 public:
  // A request's text; none when it carried none. Main thread.
  using Request = std::function<void(const std::optional<std::string>& text)>;
  // The stop generation stamped on every reply, read once per request.
  using Generation = std::function<std::int64_t()>;
  // A reply to post, or none.
  using Reply = std::function<void(std::optional<std::string> reply)>;

  virtual ~HubCommandLine() = default;
  // Hands each request to `request` until the handle goes; the server's
  // replies carry `generation`.
  virtual platform::ObserverHandle listen(Request request, Generation generation) = 0;
  virtual void postReply(const std::string& reply) = 0;
  // The server's epoch, stamped on every reply.
  virtual std::string epoch() = 0;
  // The server's answer to a decoded request received at `now`; never blocks.
  virtual void answer(const VGXCLIv2Request& request, platform::Date now, Reply done) = 0;
};

}  // namespace vigilix
