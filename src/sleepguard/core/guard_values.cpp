#include "sleepguard/core/guard_values.h"

#include <array>
#include <cstdio>

namespace vigilix {

std::optional<VGXThermal> thermalFromRawValue(std::int64_t raw) {
  if (raw < 0 || raw > 3) return std::nullopt;
  return static_cast<VGXThermal>(raw);
}

std::string VGXGuardFile::fileName() const {
  switch (kind) {
    case Kind::safety:
      return "safety-" + std::to_string(uid) + ".json";
    case Kind::journal:
      return "journal.json";
    case Kind::maintenance:
      return "maintenance.json";
    case Kind::install:
      return "install.json";
  }
  return {};
}

namespace {

bool carriesText(VGXGuardError::Kind kind) {
  return kind == VGXGuardError::Kind::unsafe || kind == VGXGuardError::Kind::io;
}

std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7f) {
          std::array<char, 8> buffer{};
          std::snprintf(buffer.data(), buffer.size(), "\\u{%x}", c);
          out += buffer.data();
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

constexpr std::array<std::string_view, 6> kLatchRaw = {
    "heat", "battery", "batteryCap", "totalCap", "externallyCleared", "policy"};

}  // namespace

VGXGuardError VGXGuardError::asIO(const VGXGuardError& error) {
  if (error.kind == Kind::io) return error;
  return io(error.description());
}

std::string_view VGXGuardError::name() const {
  switch (kind) {
    case Kind::unsafe:
      return "unsafe";
    case Kind::io:
      return "io";
    case Kind::alreadyDisabled:
      return "alreadyDisabled";
    case Kind::policyDenied:
      return "policyDenied";
    case Kind::budgetExhausted:
      return "budgetExhausted";
    case Kind::inUseByAnotherUser:
      return "inUseByAnotherUser";
    case Kind::stale:
      return "stale";
    case Kind::maintenance:
      return "maintenance";
    case Kind::clearFailed:
      return "clearFailed";
    case Kind::draining:
      return "draining";
    case Kind::notHeld:
      return "notHeld";
  }
  return {};
}

std::string VGXGuardError::description() const {
  std::string out(name());
  if (carriesText(kind)) out += "(\"" + escaped(text) + "\")";
  return out;
}

bool VGXGuardError::operator==(const VGXGuardError& other) const {
  if (kind != other.kind) return false;
  return !carriesText(kind) || text == other.text;
}

std::string_view rawValue(VGXGuardLatch latch) {
  return kLatchRaw.at(static_cast<std::size_t>(latch));
}

std::optional<VGXGuardLatch> guardLatchFromRawValue(std::string_view raw) {
  for (std::size_t i = 0; i < kLatchRaw.size(); ++i) {
    if (kLatchRaw[i] == raw) return static_cast<VGXGuardLatch>(i);
  }
  return std::nullopt;
}

}  // namespace vigilix

std::size_t std::hash<vigilix::VGXGuardFile>::operator()(
    const vigilix::VGXGuardFile& file) const noexcept {
  const auto kind = static_cast<std::size_t>(file.kind);
  const std::size_t uid = file.kind == vigilix::VGXGuardFile::Kind::safety ? file.uid : 0;
  return (uid << 2) ^ kind;
}
