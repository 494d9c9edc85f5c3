#include "closedlid/live_guard_transport.h"

#include <sys/socket.h>

#include <mutex>
#include <string>

#include "platform/base/logger.h"
#include "platform/fs/file_system.h"
#include "sleepguard/common/guard_names.h"

namespace vigilix {

namespace {

// An absent guard is tried every 30 s for as long as the program runs: each failure is told
// once, until it changes or a connection is made.
void reportConnecting(const std::string& failure) {
  static std::mutex mutex;
  static std::string last;
  std::lock_guard lock(mutex);
  if (failure == last) return;
  last = failure;
  if (!failure.empty()) platform::Logger("closed-lid").error("{}", failure);
}

}  // namespace

LivePacketConnection::LivePacketConnection(VGXServiceSocketExpectation expectation)
    : expectation_(std::move(expectation)) {}

LivePacketConnection::~LivePacketConnection() {
  invalidate();
  if (reader_.joinable()) reader_.join();
}

void LivePacketConnection::setInvalidationHandler(Handler handler) {
  std::lock_guard lock(mutex_);
  invalidationHandler_ = std::move(handler);
}

bool LivePacketConnection::resume() {
  auto connection = connectCheckedServiceSocket(expectation_);
  if (!connection) {
    reportConnecting(expectation_.socket.string() + ": " + connection.error());
    return false;
  }
  reportConnecting("");
  std::lock_guard lock(mutex_);
  if (invalidated_) return false;
  fd_ = std::move(*connection);
  reader_ = std::thread([this] { read(); });
  return true;
}

void LivePacketConnection::invalidate() {
  std::lock_guard lock(mutex_);
  if (invalidated_) return;
  invalidated_ = true;
  invalidationHandler_ = {};
  // Wakes the reader, which then ends; the descriptor closes with this object.
  if (fd_.valid()) ::shutdown(fd_.get(), SHUT_RDWR);
}

void LivePacketConnection::send(const VGXGuardRequest& request, Reply reply) {
  std::lock_guard lock(mutex_);
  if (!fd_.valid() || invalidated_) return;
  const auto text = VGXGuardWire::packetText(VGXGuardInterfaces::encodeRequest(request));
  // Queued first, so the reader finds it even if the reply is quick.
  pending_.push_back(std::move(reply));
  if (!platform::sendPacket(fd_.get(), text)) {
    pending_.pop_back();
    ::shutdown(fd_.get(), SHUT_RDWR);  // the reader reports the loss
  }
}

std::optional<LivePacketConnection::Reply> LivePacketConnection::takePending() {
  std::lock_guard lock(mutex_);
  if (pending_.empty()) return std::nullopt;
  auto reply = std::move(pending_.front());
  pending_.pop_front();
  return reply;
}

void LivePacketConnection::read() {
  for (;;) {
    const auto packet = platform::receivePacket(fd_.get());
    if (!packet || packet->closed || packet->truncated) break;
    auto dictionary = VGXGuardWire::dictionaryFromPacket(packet->bytes);
    auto reply = takePending();
    if (!reply) break;  // an answer nobody asked for: the peer is not following the protocol
    if (*reply) (*reply)(dictionary.value_or(VGXGuardWire::Dictionary::object()));
  }
  while (auto reply = takePending()) {
    if (*reply) (*reply)(VGXGuardWire::Dictionary::object());
  }
  Handler handler;
  {
    std::lock_guard lock(mutex_);
    handler = std::move(invalidationHandler_);
    invalidationHandler_ = {};
  }
  if (handler) handler();
}

VGXServiceSocketExpectation guardSocketExpectation() {
  return {platform::FileSystem::pathFor(VGXGuardNames::socketPath(VGXGuardNames::guardMachService)),
          platform::FileSystem::pathFor(VGXGuardNames::guardExecutablePath).string(), 0};
}

LiveGuardTransport::LiveGuardTransport(VGXServiceSocketExpectation expectation)
    : connection_(std::move(expectation)) {}

void LiveGuardTransport::setInvalidationHandler(Handler handler) {
  connection_.setInvalidationHandler(std::move(handler));
}

bool LiveGuardTransport::resume() { return connection_.resume(); }

void LiveGuardTransport::invalidate() { connection_.invalidate(); }

void LiveGuardTransport::hold(bool userInitiated, std::int64_t batteryFloorPercent,
                              std::int64_t batteryCapHours, Reply reply) {
  VGXGuardRequest request{
      VGXGuardMethod::hold, userInitiated, batteryFloorPercent, batteryCapHours, {}};
  connection_.send(request, std::move(reply));
}

void LiveGuardTransport::renew(const std::string& token, Reply reply) {
  connection_.send({VGXGuardMethod::renew, false, 0, 0, token}, std::move(reply));
}

void LiveGuardTransport::release(const std::string& token, Reply reply) {
  connection_.send({VGXGuardMethod::release, false, 0, 0, token}, std::move(reply));
}

void LiveGuardTransport::status(Reply reply) {
  connection_.send({VGXGuardMethod::status, false, 0, 0, {}}, std::move(reply));
}

}  // namespace vigilix
