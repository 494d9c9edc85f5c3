#include "sleepguard/common/guard_interfaces.h"

#include <algorithm>
#include <array>
#include <limits>

namespace vigilix {
namespace {

constexpr std::array kMethods = {VGXGuardMethod::hold,       VGXGuardMethod::renew,
                                 VGXGuardMethod::release,    VGXGuardMethod::status,
                                 VGXGuardMethod::beginDrain, VGXGuardMethod::endDrain,
                                 VGXGuardMethod::install,    VGXGuardMethod::uninstall};

std::optional<VGXGuardMethod> methodNamed(std::string_view name) {
  for (auto method : kMethods) {
    if (methodName(method) == name) return method;
  }
  return std::nullopt;
}

// Signed arguments are taken as sent (the guard records them before it clamps).
std::optional<std::int64_t> readSigned(const VGXGuardWire::Dictionary& request,
                                       std::string_view key) {
  auto found = request.find(key);
  if (found == request.end()) return std::nullopt;
  if (found->is_number_unsigned()) {
    const auto number = found->get<std::uint64_t>();
    if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      return std::nullopt;
    }
    return static_cast<std::int64_t>(number);
  }
  if (found->is_number_integer()) return found->get<std::int64_t>();
  return std::nullopt;
}

}  // namespace

std::string_view methodName(VGXGuardMethod method) {
  switch (method) {
    case VGXGuardMethod::hold:
      return "hold";
    case VGXGuardMethod::renew:
      return "renew";
    case VGXGuardMethod::release:
      return "release";
    case VGXGuardMethod::status:
      return "status";
    case VGXGuardMethod::beginDrain:
      return "beginDrain";
    case VGXGuardMethod::endDrain:
      return "endDrain";
    case VGXGuardMethod::install:
      return "install";
    case VGXGuardMethod::uninstall:
      return "uninstall";
  }
  return "status";
}

bool VGXGuardInterface::answers(VGXGuardMethod method) const {
  return std::ranges::find(methods, method) != methods.end();
}

const VGXGuardInterface& VGXGuardInterfaces::guardInterface() {
  static const VGXGuardInterface interface {
    "VGXSleepGuardXPC", {
      VGXGuardMethod::hold, VGXGuardMethod::renew, VGXGuardMethod::release, VGXGuardMethod::status
    }
  };
  return interface;
}

const VGXGuardInterface& VGXGuardInterfaces::adminInterface() {
  static const VGXGuardInterface interface {
    "VGXSleepGuardAdminXPC", {
      VGXGuardMethod::status, VGXGuardMethod::beginDrain, VGXGuardMethod::endDrain
    }
  };
  return interface;
}

const VGXGuardInterface& VGXGuardInterfaces::installerInterface() {
  static const VGXGuardInterface interface {
    "VGXInstallerXPC", {
      VGXGuardMethod::install, VGXGuardMethod::uninstall, VGXGuardMethod::status
    }
  };
  return interface;
}

VGXGuardWire::Dictionary VGXGuardInterfaces::encodeRequest(const VGXGuardRequest& request) {
  VGXGuardWire::Dictionary dictionary = VGXGuardWire::Dictionary::object();
  dictionary["method"] = std::string(methodName(request.method));
  switch (request.method) {
    case VGXGuardMethod::hold:
      dictionary["userInitiated"] = request.userInitiated;
      dictionary["batteryFloorPercent"] = request.batteryFloorPercent;
      dictionary["batteryCapHours"] = request.batteryCapHours;
      break;
    case VGXGuardMethod::renew:
    case VGXGuardMethod::release:
      dictionary["token"] = request.token;
      break;
    default:
      break;
  }
  return dictionary;
}

std::optional<VGXGuardRequest> VGXGuardInterfaces::decodeRequest(
    const VGXGuardInterface& interface, const VGXGuardWire::Dictionary& dictionary) {
  if (!dictionary.is_object()) return std::nullopt;
  auto name = dictionary.find("method");
  if (name == dictionary.end() || !name->is_string()) return std::nullopt;
  auto method = methodNamed(name->get_ref<const std::string&>());
  if (!method || !interface.answers(*method)) return std::nullopt;
  VGXGuardRequest request;
  request.method = *method;
  switch (*method) {
    case VGXGuardMethod::hold: {
      auto userInitiated = VGXGuardWire::readBool(dictionary, "userInitiated");
      auto floor = readSigned(dictionary, "batteryFloorPercent");
      auto cap = readSigned(dictionary, "batteryCapHours");
      if (!userInitiated || !floor || !cap) return std::nullopt;
      request.userInitiated = *userInitiated;
      request.batteryFloorPercent = *floor;
      request.batteryCapHours = *cap;
      break;
    }
    case VGXGuardMethod::renew:
    case VGXGuardMethod::release: {
      auto token = VGXGuardWire::readString(dictionary, "token");
      if (!token) return std::nullopt;
      request.token = std::move(*token);
      break;
    }
    default:
      break;
  }
  return request;
}

std::expected<VGXGuardRequest, std::string> VGXGuardInterfaces::requestFromPacket(
    const VGXGuardInterface& interface, std::string_view packet) {
  auto dictionary = VGXGuardWire::dictionaryFromPacket(packet);
  if (!dictionary) return std::unexpected("request not readable");
  auto request = decodeRequest(interface, *dictionary);
  if (!request) return std::unexpected("request not a call of this service");
  return *request;
}

}  // namespace vigilix
