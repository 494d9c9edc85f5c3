#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sleepguard/common/guard_interfaces.h"
#include "sleepguard/common/guard_wire.h"

// One packet from a peer, read as every reply and every request it could be.
// A reply that decodes must encode to a packet that decodes to the same value.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vigilix;
  using namespace vigilix::VGXGuardWire;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto dictionary = dictionaryFromPacket(text);
  if (!dictionary) return 0;
  auto again = [](const Dictionary& encoded) { return *dictionaryFromPacket(packetText(encoded)); };
  if (auto grant = decodeGrant(*dictionary)) {
    if (decodeGrant(again(encodeGrant(*grant))) != grant) std::abort();
  }
  if (auto ack = decodeAck(*dictionary)) {
    if (decodeAck(again(encodeAck(*ack))) != ack) std::abort();
  }
  if (auto status = decodeStatus(*dictionary)) {
    if (decodeStatus(again(encodeStatus(status->status, status->executableSHA256))) != status) {
      std::abort();
    }
  }
  if (auto result = decodeInstallerResult(*dictionary)) {
    if (decodeInstallerResult(again(encodeInstallerResult(*result))) != result) std::abort();
  }
  if (auto status = decodeInstallerStatus(*dictionary)) {
    if (decodeInstallerStatus(again(encodeInstallerStatus(*status))) != status) std::abort();
  }
  for (const auto* interface :
       {&VGXGuardInterfaces::guardInterface(), &VGXGuardInterfaces::adminInterface(),
        &VGXGuardInterfaces::installerInterface()}) {
    if (auto request = VGXGuardInterfaces::decodeRequest(*interface, *dictionary)) {
      auto back = VGXGuardInterfaces::decodeRequest(
          *interface, again(VGXGuardInterfaces::encodeRequest(*request)));
      if (back != request) std::abort();
    }
  }
  return 0;
}
