#pragma once

#include <expected>
#include <functional>
#include <string>

#include "agents/cli_protocol.h"
#include "agents/cli_v2_records.h"
#include "cli/cli_transport.h"

namespace vigilix {

enum class VGXCLIFailure {
  invalidRequest,  // the request breaks a field rule or the frame limit; nothing was sent
  noReply,         // nothing answered its nonce in time
};

// A reply and its text as it came.
template <typename Reply>
struct VGXCLIAnswer {
  Reply reply;
  std::string text;
};

// One request at a time over a transport, each with a fresh nonce; only a reply carrying that
// nonce counts. One thread.
class VGXCLIClient {
 public:
  using MakeNonce = std::function<std::string()>;
  // `timeout`: seconds to wait for each reply.
  VGXCLIClient(VGXCLITransport& transport, double timeout, MakeNonce makeNonce = randomNonce);

  std::expected<VGXCLIAnswer<VGXCLIv2Reply>, VGXCLIFailure> send(VGXCLIv2Request request);
  std::expected<VGXCLIAnswer<VGXCLIReply>, VGXCLIFailure> send(VGXCLIRequest request);
  // A hold needs the application's launch epoch and stop generation: asked first, and asked
  // again once when the application calls the hold stale (it restarted or stopped meanwhile).
  std::expected<VGXCLIAnswer<VGXCLIv2Reply>, VGXCLIFailure> hold(VGXCLIv2Request request);

  // A random UUID's text: valid in both forms.
  static std::string randomNonce();

 private:
  VGXCLITransport& transport_;
  double timeout_;
  MakeNonce makeNonce_;
};

}  // namespace vigilix
