#include "cli/cli_client.h"

#include <utility>

#include "agents/cli_v2_codec.h"
#include "platform/base/uuid.h"

namespace vigilix {

VGXCLIClient::VGXCLIClient(VGXCLITransport& transport, double timeout, MakeNonce makeNonce)
    : transport_(transport), timeout_(timeout), makeNonce_(std::move(makeNonce)) {}

std::string VGXCLIClient::randomNonce() { return platform::UUID::generate().uuidString(); }

std::expected<VGXCLIAnswer<VGXCLIv2Reply>, VGXCLIFailure> VGXCLIClient::send(
    VGXCLIv2Request request) {
  request.nonce = makeNonce_();
  const auto text = VGXCLIv2Codec::encodeRequest(request);
  if (!text) return std::unexpected(VGXCLIFailure::invalidRequest);
  std::optional<VGXCLIv2Reply> matched;
  const auto reply = transport_.exchange(
      *text,
      [&](const std::string& candidate) {
        auto decoded = VGXCLIv2Codec::decodeReply(candidate);
        if (!decoded || decoded->nonce != request.nonce) return false;
        matched = std::move(decoded);
        return true;
      },
      timeout_);
  if (!reply || !matched) return std::unexpected(VGXCLIFailure::noReply);
  return VGXCLIAnswer<VGXCLIv2Reply>{std::move(*matched), *reply};
}

std::expected<VGXCLIAnswer<VGXCLIReply>, VGXCLIFailure> VGXCLIClient::send(VGXCLIRequest request) {
  request.nonce = makeNonce_();
  if (!VGXCLIProtocol::isValidNonce(request.nonce)) {
    return std::unexpected(VGXCLIFailure::invalidRequest);
  }
  std::optional<VGXCLIReply> matched;
  const auto reply = transport_.exchange(
      VGXCLIProtocol::encodeRequest(request),
      [&](const std::string& candidate) {
        auto parsed = VGXCLIProtocol::parseReply(candidate);
        if (!parsed || parsed->first != request.nonce) return false;
        matched = std::move(parsed->second);
        return true;
      },
      timeout_);
  if (!reply || !matched) return std::unexpected(VGXCLIFailure::noReply);
  return VGXCLIAnswer<VGXCLIReply>{std::move(*matched), *reply};
}

std::expected<VGXCLIAnswer<VGXCLIv2Reply>, VGXCLIFailure> VGXCLIClient::hold(
    VGXCLIv2Request request) {
  auto epoch = send(VGXCLIv2Request{.verb = VGXCLIv2Verb::epoch});
  if (!epoch) return epoch;
  if (epoch->reply.status != VGXCLIv2Status::ok) return epoch;
  request.verb = VGXCLIv2Verb::hold;
  request.epoch = epoch->reply.epoch;
  request.gen = epoch->reply.gen;
  auto answer = send(request);
  if (!answer || answer->reply.status != VGXCLIv2Status::stale) return answer;
  request.epoch = answer->reply.epoch;
  request.gen = answer->reply.gen;
  return send(request);
}

}  // namespace vigilix
