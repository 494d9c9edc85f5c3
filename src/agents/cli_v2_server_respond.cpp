#include <mutex>

#include "agents/cli_v2_codec.h"
#include "agents/cli_v2_server.h"
#include "platform/base/shared_instances.h"
#include "platform/base/uuid.h"

namespace vigilix {

namespace {

struct HandlerRegistry {
  std::mutex mutex;
  std::array<std::shared_ptr<const VGXCLIv2Server::Handler>, kVGXCLIv2VerbCount> handlers;
};

constinit platform::SharedInstance<HandlerRegistry> sharedRegistry;

HandlerRegistry& registry() { return sharedRegistry.get(); }

// A hold renews keep-awake only for the launch and stop generation the tool
// last saw; anything older was ended by a stop the tool did not witness.
bool isStaleHold(const VGXCLIv2Request& request, const std::string& epoch, std::int64_t gen) {
  return !request.epoch || *request.epoch != epoch || !request.gen || *request.gen < gen;
}

}  // namespace

const std::string& VGXCLIv2Server::launchEpoch() {
  static const std::string epoch = platform::UUID::generate().uuidString();
  return epoch;
}

void VGXCLIv2Server::registerHandler(VGXCLIv2Verb verb, Handler handler) {
  auto shared = std::make_shared<const Handler>(std::move(handler));
  HandlerRegistry& all = registry();
  std::lock_guard lock(all.mutex);
  all.handlers[static_cast<std::size_t>(verb)] = std::move(shared);
}

std::shared_ptr<const VGXCLIv2Server::Handler> VGXCLIv2Server::handlerFor(VGXCLIv2Verb verb) {
  HandlerRegistry& all = registry();
  std::lock_guard lock(all.mutex);
  return all.handlers[static_cast<std::size_t>(verb)];
}

std::optional<std::string> VGXCLIv2Server::respond(const VGXCLIv2Request& request) const {
  const std::int64_t gen = generation_();
  VGXCLIv2Reply reply;
  if (request.verb == VGXCLIv2Verb::hold && isStaleHold(request, epoch_, gen)) {
    reply.status = VGXCLIv2Status::stale;
  } else if (request.verb == VGXCLIv2Verb::epoch) {
    reply.status = VGXCLIv2Status::ok;
  } else if (auto handler = handlerFor(request.verb); handler && *handler) {
    // No lock is held here: the handler may take locks of its own.
    reply = (*handler)(request);
  } else {
    reply.status = VGXCLIv2Status::unknownVerb;
  }
  reply.v = VGXCLIv2Codec::version;
  reply.nonce = request.nonce;
  reply.epoch = epoch_;
  reply.gen = gen;
  if (auto text = VGXCLIv2Codec::encodeReply(reply)) return std::move(*text);

  VGXCLIv2Reply fallback;
  fallback.nonce = request.nonce;
  fallback.status = VGXCLIv2Status::error;
  fallback.epoch = epoch_;
  fallback.gen = gen;
  fallback.message = std::string(fallbackMessage);
  if (auto text = VGXCLIv2Codec::encodeReply(fallback)) return std::move(*text);
  return std::nullopt;
}

}  // namespace vigilix
