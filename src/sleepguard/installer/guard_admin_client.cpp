#include "sleepguard/installer/guard_admin_client.h"

#include <poll.h>

#include <cerrno>

#include "platform/fs/file_system.h"
#include "platform/ipc/packet_socket.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/common/guard_wire.h"

namespace vigilix {

namespace {

std::unexpected<VGXInstallerError> failed(std::string text) {
  return std::unexpected(VGXInstallerError::failed(std::move(text)));
}

}  // namespace

std::expected<VGXGuardWire::Dictionary, VGXInstallerError> VGXGuardAdminClient::call(
    VGXGuardMethod method) {
  const auto path =
      platform::FileSystem::pathFor(VGXGuardNames::socketPath(VGXGuardNames::adminMachService));
  auto connection = platform::connectPacketSocket(path);
  if (!connection) return failed("admin connect");
  const auto peer = platform::peerCredentials(connection->get());
  if (!peer || peer->uid != 0) return failed("admin peer");
  VGXGuardRequest request;
  request.method = method;
  const auto text = VGXGuardWire::packetText(VGXGuardInterfaces::encodeRequest(request));
  if (!platform::sendPacket(connection->get(), text)) {
    return failed("admin reply");
  }
  pollfd watched{connection->get(), POLLIN, 0};
  int ready = 0;
  do {
    ready = ::poll(&watched, 1, static_cast<int>(deadlineMilliseconds_));
  } while (ready < 0 && errno == EINTR);
  if (ready == 0) return failed("admin timeout");
  const auto packet = platform::receivePacket(connection->get());
  if (!packet || packet->closed || packet->truncated) return failed("admin reply");
  auto reply = VGXGuardWire::dictionaryFromPacket(packet->bytes);
  if (!reply) return failed("admin reply");
  return std::move(*reply);
}

std::expected<void, VGXInstallerError> VGXGuardAdminClient::beginDrain() {
  const auto reply = call(VGXGuardMethod::beginDrain);
  if (!reply) return std::unexpected(reply.error());
  const auto ack = VGXGuardWire::decodeAck(*reply);
  if (!ack) return failed("drain reply");
  if (!*ack) return failed(VGXGuardWire::wireText(ack->error()));
  return {};
}

void VGXGuardAdminClient::endDrain() { (void)call(VGXGuardMethod::endDrain); }

std::expected<std::string, VGXInstallerError> VGXGuardAdminClient::handshakeHash() {
  const auto reply = call(VGXGuardMethod::status);
  if (!reply) return std::unexpected(reply.error());
  const auto status = VGXGuardWire::decodeStatus(*reply);
  if (!status || status->executableSHA256.empty()) return failed("handshake");
  return status->executableSHA256;
}

bool VGXGuardAdminClient::isHeldByAnotherUser(std::uint32_t uid) {
  const auto reply = call(VGXGuardMethod::status);
  if (!reply) return false;
  const auto status = VGXGuardWire::decodeStatus(*reply);
  return status && status->status.state.isHeld() && status->status.state.uid != uid;
}

}  // namespace vigilix
