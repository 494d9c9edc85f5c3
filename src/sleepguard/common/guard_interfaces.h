#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sleepguard/common/guard_wire.h"

namespace vigilix {

// The calls of the three named services. A request is one dictionary of the
// method's name under "method" and its arguments under their own names; the
// calling user is never an argument, the service takes it from the connection.
enum class VGXGuardMethod {
  hold,
  renew,
  release,
  status,
  beginDrain,
  endDrain,
  install,
  uninstall
};

// "hold", "renew", ... as sent under "method".
std::string_view methodName(VGXGuardMethod method);

struct VGXGuardRequest {
  VGXGuardMethod method = VGXGuardMethod::status;
  bool userInitiated = false;            // hold
  std::int64_t batteryFloorPercent = 0;  // hold
  std::int64_t batteryCapHours = 0;      // hold
  std::string token;                     // renew, release

  bool operator==(const VGXGuardRequest&) const = default;
};

// The methods one service answers, in slot order.
struct VGXGuardInterface {
  std::string_view protocol;
  std::vector<VGXGuardMethod> methods;
  bool answers(VGXGuardMethod method) const;
};

namespace VGXGuardInterfaces {
// hold, renew, release, status.
const VGXGuardInterface& guardInterface();
// status, beginDrain, endDrain.
const VGXGuardInterface& adminInterface();
// install, uninstall, status.
const VGXGuardInterface& installerInterface();

VGXGuardWire::Dictionary encodeRequest(const VGXGuardRequest& request);
// Nullopt for a method the interface does not answer, or an argument that is
// missing or of the wrong type (signed 64-bit integers, a true Boolean, a
// token of at most 128 characters). Unknown keys are ignored.
std::optional<VGXGuardRequest> decodeRequest(const VGXGuardInterface& interface,
                                             const VGXGuardWire::Dictionary& request);
// The request one received packet carries, or why it is none (for the log of
// a service that closes the connection over it).
std::expected<VGXGuardRequest, std::string> requestFromPacket(const VGXGuardInterface& interface,
                                                              std::string_view packet);
}  // namespace VGXGuardInterfaces

}  // namespace vigilix
