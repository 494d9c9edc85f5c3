// A stand-in for the application's side of the installer's socket: sends one
// request and prints the reply packet. Exit 0 with a reply, 3 when the
// service closed the connection without one, 2 on a bad command line.
#include <cstdio>
#include <string>

#include "platform/ipc/packet_socket.h"
#include "sleepguard/common/guard_interfaces.h"

int main(int argc, char** argv) {
  using namespace vigilix;
  if (argc != 3) return 2;
  const std::string method = argv[2];
  VGXGuardRequest request;
  if (method == "install") {
    request.method = VGXGuardMethod::install;
  } else if (method == "uninstall") {
    request.method = VGXGuardMethod::uninstall;
  } else if (method == "status") {
    request.method = VGXGuardMethod::status;
  } else {
    return 2;
  }
  auto connection = platform::connectPacketSocket(argv[1]);
  if (!connection) return 3;
  const auto text = VGXGuardWire::packetText(VGXGuardInterfaces::encodeRequest(request));
  if (!platform::sendPacket(connection->get(), text)) return 3;
  auto reply = platform::receivePacket(connection->get());
  if (!reply || reply->closed || reply->bytes.empty()) return 3;
  std::fputs((reply->bytes + "\n").c_str(), stdout);
  return 0;
}
