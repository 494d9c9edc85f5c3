#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "agents/cli_v2_codec.h"
#include "agents/cli_v2_server.h"
#include "cli/cli_client.h"
#include "platform/base/date.h"

namespace vigilix::testing {

// The application's side for tool tests: JSON requests go through the real protocol server
// (epoch, stop generation, stale rule), whose handlers answer from `statuses`; text requests
// get `textReply`. Before each real reply a reply to someone else's nonce is posted.
class FakeApplication final : public VGXCLITransport {
 public:
  explicit FakeApplication(std::string epoch = "EPOCH-1")
      : server_(std::move(epoch), [this] { return generation; }) {
    for (const VGXCLIv2Verb verb :
         {VGXCLIv2Verb::hold, VGXCLIv2Verb::release, VGXCLIv2Verb::holds, VGXCLIv2Verb::doctor}) {
      VGXCLIv2Server::registerHandler(verb, [this](const VGXCLIv2Request& request) {
        handled.push_back(request);
        VGXCLIv2Reply reply{.status = statuses[request.verb]};
        if (reply.status == VGXCLIv2Status::error) reply.message = "missing id";
        if (request.verb == VGXCLIv2Verb::release && releaseMessage) reply.message = releaseMessage;
        if (request.verb == VGXCLIv2Verb::holds) reply.holds = holds;
        if (request.verb == VGXCLIv2Verb::doctor) reply.doctor = doctor;
        return reply;
      });
    }
  }
  ~FakeApplication() override {
    for (const VGXCLIv2Verb verb :
         {VGXCLIv2Verb::hold, VGXCLIv2Verb::release, VGXCLIv2Verb::holds, VGXCLIv2Verb::doctor}) {
      VGXCLIv2Server::registerHandler(verb, {});
    }
  }

  std::optional<std::string> exchange(const std::string& request, const Accept& accept,
                                      double) override {
    sent.push_back(request);
    if (!running) return std::nullopt;
    std::optional<std::string> reply;
    if (VGXCLIv2Codec::looksLikeV2(request)) {
      reply = server_.handle(request, platform::Date(0));
      // A stop between the tool's epoch question and its hold.
      if (stopAfterEpoch && request.find(R"("verb":"epoch")") != std::string::npos) {
        ++generation;
        stopAfterEpoch = false;
      }
    } else if (auto parsed = VGXCLIProtocol::parseRequest(request); parsed && textReply) {
      reply = VGXCLIProtocol::encodeReply(parsed->nonce, *textReply);
    }
    for (const std::string& candidate :
         {std::string(R"({"epoch":"E","gen":0,"nonce":"other","status":"error","v":2})"),
          std::string("other|ok"), reply.value_or("")}) {
      if (!candidate.empty() && accept(candidate)) return candidate;
    }
    return std::nullopt;
  }

  bool running = true;
  bool stopAfterEpoch = false;
  std::int64_t generation = 4;
  std::map<VGXCLIv2Verb, VGXCLIv2Status> statuses;  // ok unless named
  std::optional<std::string> releaseMessage;        // what an ok release says it did
  std::vector<VGXCLIv2HoldInfo> holds;
  std::optional<std::string> doctor =
      R"([{"detail":"On","severity":"ok","title":"Keep Awake"},)"
      R"({"detail":"2 recorded","fixActionID":"dismissIncidents","severity":"warning",)"
      R"("title":"Incidents"}])";
  std::optional<VGXCLIReply> textReply;
  std::vector<std::string> sent;
  std::vector<VGXCLIv2Request> handled;

 private:
  VGXCLIv2Server server_;
};

// Nonces "n1", "n2", ... so that raw replies are known texts.
inline VGXCLIClient::MakeNonce countingNonces() {
  return [count = 0]() mutable { return "n" + std::to_string(++count); };
}

}  // namespace vigilix::testing
