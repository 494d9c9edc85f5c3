#include "sleepguard/core/guard_values.h"

#include <array>
#include <cstdio>
#include <utility>

#include "platform/base/raw_values.h"

namespace vigilix {

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

// Reverses `escaped` on the text between the quotes of a textual form; none
// when it is not exactly such a text.
std::optional<std::string> unescaped(std::string_view body) {
  std::string out;
  for (std::size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (c == '"') return std::nullopt;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == body.size()) return std::nullopt;
    switch (body[i]) {
      case '"':
      case '\\':
        out += body[i];
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'u': {
        const auto close = body.find('}', i);
        if (i + 1 >= body.size() || body[i + 1] != '{' || close == std::string_view::npos ||
            close - i < 3 || close - i > 4) {
          return std::nullopt;
        }
        unsigned value = 0;
        for (std::size_t k = i + 2; k < close; ++k) {
          const char h = body[k];
          const int digit = h >= '0' && h <= '9'   ? h - '0'
                            : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                                   : -1;
          if (digit < 0) return std::nullopt;
          value = value * 16 + static_cast<unsigned>(digit);
        }
        out += static_cast<char>(value);
        i = close;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return out;
}

constexpr std::pair<VGXGuardLatch, std::string_view> kLatchRaw[] = {
    {VGXGuardLatch::heat, "heat"},
    {VGXGuardLatch::battery, "battery"},
    {VGXGuardLatch::batteryCap, "batteryCap"},
    {VGXGuardLatch::totalCap, "totalCap"},
    {VGXGuardLatch::externallyCleared, "externallyCleared"},
    {VGXGuardLatch::policy, "policy"}};

}  // namespace

VGXGuardError VGXGuardError::asIO(const VGXGuardError& error) {
  if (error.kind == Kind::io) return error;
  return io(error.description());
}

VGXGuardError VGXGuardError::ioFromText(std::string text) {
  constexpr std::string_view kOpen = "io(\"";
  constexpr std::string_view kClose = "\")";
  const std::string_view view(text);
  if (view.size() >= kOpen.size() + kClose.size() && view.starts_with(kOpen) &&
      view.ends_with(kClose)) {
    auto inner = unescaped(view.substr(kOpen.size(), view.size() - kOpen.size() - kClose.size()));
    if (inner) return io(std::move(*inner));
  }
  return io(std::move(text));
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

std::string_view rawValue(VGXGuardLatch latch) { return platform::rawValueIn(kLatchRaw, latch); }

std::optional<VGXGuardLatch> guardLatchFromRawValue(std::string_view raw) {
  return platform::caseWithRawValue<VGXGuardLatch>(kLatchRaw, raw);
}

}  // namespace vigilix

std::size_t std::hash<vigilix::VGXGuardFile>::operator()(
    const vigilix::VGXGuardFile& file) const noexcept {
  const auto kind = static_cast<std::size_t>(file.kind);
  const std::size_t uid = file.kind == vigilix::VGXGuardFile::Kind::safety ? file.uid : 0;
  return (uid << 2) ^ kind;
}
