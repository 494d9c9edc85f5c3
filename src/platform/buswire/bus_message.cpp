#include "platform/buswire/bus_message.h"

#include <array>

#include "platform/base/utf8.h"

namespace vigilix::platform {

namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr std::string_view kBasicTypes = "ybnqiuxtdhsog";
// The types a body is read as arguments of; other bodies are only checked.
constexpr std::string_view kArgumentTypes = "sogbu";
constexpr std::size_t kSignatureLimit = 255;
constexpr int kTypeDepthLimit = 32;   // arrays, and structures, within one signature
constexpr int kValueDepthLimit = 64;  // containers and variants within one value

enum FieldCode : std::uint8_t {
  kPathField = 1,
  kInterfaceField,
  kMemberField,
  kErrorNameField,
  kReplySerialField,
  kDestinationField,
  kSenderField,
  kSignatureField,
  kUnixFdsField,
};
// The type of each known header field, by code, and the member a text field is read into.
constexpr std::string_view kFieldTypes = "?osssussgu";
constexpr std::array<std::string WireMessage::*, kFieldTypes.size()> kTextFields = {
    nullptr,
    &WireMessage::path,
    &WireMessage::interface,
    &WireMessage::member,
    &WireMessage::errorName,
    nullptr,
    &WireMessage::destination,
    &WireMessage::sender,
    &WireMessage::signature,
    nullptr,
};

bool isObjectPath(std::string_view path) {
  if (path.empty() || path[0] != '/') return false;
  if (path.size() == 1) return true;
  char previous = '/';
  for (const char c : path.substr(1)) {
    const bool element =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!element && (c != '/' || previous == '/')) return false;
    previous = c;
  }
  return previous != '/';
}

// Where the complete type starting at `at` ends, or kNone.
std::size_t typeEnd(std::string_view signature, std::size_t at, int arrays, int structs) {
  if (at >= signature.size()) return kNone;
  const char c = signature[at];
  if (kBasicTypes.find(c) != kNone || c == 'v') return at + 1;
  if (c == 'a') {
    if (++arrays > kTypeDepthLimit) return kNone;
    if (at + 1 < signature.size() && signature[at + 1] == '{') {
      if (++structs > kTypeDepthLimit) return kNone;
      if (at + 2 >= signature.size() || kBasicTypes.find(signature[at + 2]) == kNone) return kNone;
      const std::size_t end = typeEnd(signature, at + 3, arrays, structs);
      if (end == kNone || end >= signature.size() || signature[end] != '}') return kNone;
      return end + 1;
    }
    return typeEnd(signature, at + 1, arrays, structs);
  }
  if (c == '(') {
    if (++structs > kTypeDepthLimit) return kNone;
    std::size_t next = at + 1;
    if (next < signature.size() && signature[next] == ')') return kNone;
    while (next < signature.size() && signature[next] != ')') {
      next = typeEnd(signature, next, arrays, structs);
      if (next == kNone) return kNone;
    }
    return next < signature.size() ? next + 1 : kNone;
  }
  return kNone;
}

bool isSignature(std::string_view signature) {
  if (signature.size() > kSignatureLimit) return false;
  for (std::size_t at = 0; at < signature.size();) {
    at = typeEnd(signature, at, 0, 0);
    if (at == kNone) return false;
  }
  return true;
}

bool isSingleType(std::string_view signature) {
  return !signature.empty() && typeEnd(signature, 0, 0, 0) == signature.size();
}

std::size_t alignmentOf(char type) {
  switch (type) {
    case 'n':
    case 'q':
      return 2;
    case 'b':
    case 'i':
    case 'u':
    case 'h':
    case 's':
    case 'o':
    case 'a':
      return 4;
    case 'x':
    case 't':
    case 'd':
    case '(':
    case '{':
      return 8;
    default:
      return 1;
  }
}

std::size_t aligned8(std::size_t offset) { return (offset + 7) & ~std::size_t{7}; }

std::uint32_t read32(std::string_view bytes, std::size_t at, bool bigEndian) {
  std::uint32_t value = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    const auto byte = static_cast<unsigned char>(bytes[at + (bigEndian ? k : 3 - k)]);
    value = (value << 8) | byte;
  }
  return value;
}

// Reads values at absolute offsets (alignment counts from the message's start); the first
// failure is kept.
class Reader {
 public:
  Reader(std::string_view bytes, bool bigEndian) : bytes_(bytes), bigEndian_(bigEndian) {}

  std::size_t position() const { return position_; }
  void seek(std::size_t position) { position_ = position; }
  const std::string& error() const { return error_; }

  bool fail(std::string error) {
    if (error_.empty()) error_ = std::move(error);
    return false;
  }

  bool align(std::size_t alignment) {
    const std::size_t padded = (position_ + alignment - 1) / alignment * alignment;
    if (padded > bytes_.size()) return fail("a value runs past the end");
    for (; position_ < padded; ++position_) {
      if (bytes_[position_] != 0) return fail("padding that is not zero");
    }
    return true;
  }

  bool take(std::size_t count) {
    if (bytes_.size() - position_ < count) return fail("a value runs past the end");
    position_ += count;
    return true;
  }

  bool byte(std::uint8_t& value) {
    if (!take(1)) return false;
    value = static_cast<std::uint8_t>(bytes_[position_ - 1]);
    return true;
  }

  bool uint32(std::uint32_t& value) {
    if (!align(4) || !take(4)) return false;
    value = read32(bytes_, position_ - 4, bigEndian_);
    return true;
  }

  // The `length` bytes at the position and the NUL after them.
  bool terminated(std::size_t length, std::string& out) {
    if (bytes_.size() - position_ <= length) return fail("a length runs past the end");
    const std::string_view text = bytes_.substr(position_, length);
    if (bytes_[position_ + length] != 0) return fail("a text without its closing NUL");
    if (text.find('\0') != kNone) return fail("a text that holds a NUL");
    if (!isUtf8(text)) return fail("a text that is not UTF-8");
    out.assign(text);
    position_ += length + 1;
    return true;
  }

  bool text(std::string& out) {
    std::uint32_t length = 0;
    return uint32(length) && terminated(length, out);
  }

  bool signatureValue(std::string& out) {
    std::uint8_t length = 0;
    if (!byte(length) || !terminated(length, out)) return false;
    return isSignature(out) || fail("an invalid signature");
  }

  // The value of the complete type at `at` of a checked signature; `at` moves past the type.
  // Read into `into` when given (basic types only).
  bool value(std::string_view signature, std::size_t& at, int depth, WireArgument* into) {
    if (depth > kValueDepthLimit) return fail("values nested too deep");
    const char type = signature[at++];
    switch (type) {
      case 'y':
        return take(1);
      case 'n':
      case 'q':
        return align(2) && take(2);
      case 'i':
      case 'h':
        return align(4) && take(4);
      case 'x':
      case 't':
      case 'd':
        return align(8) && take(8);
      case 'b':
      case 'u': {
        std::uint32_t number = 0;
        if (!uint32(number)) return false;
        if (type == 'b' && number > 1) return fail("a boolean other than 0 or 1");
        if (into != nullptr) *into = type == 'b' ? WireArgument(number == 1) : WireArgument(number);
        return true;
      }
      case 's':
      case 'o':
      case 'g': {
        std::string out;
        if (!(type == 'g' ? signatureValue(out) : text(out))) return false;
        if (type == 'o' && !isObjectPath(out)) return fail("an invalid object path");
        if (into != nullptr) *into = std::move(out);
        return true;
      }
      case 'v': {
        std::string inner;
        if (!signatureValue(inner)) return false;
        if (!isSingleType(inner)) return fail("a variant that is not of one type");
        std::size_t innerAt = 0;
        return value(inner, innerAt, depth + 1, nullptr);
      }
      case 'a': {
        std::uint32_t length = 0;
        if (!uint32(length)) return false;
        if (length > kBusArrayLimit) return fail("an array over the limit");
        if (!align(alignmentOf(signature[at]))) return false;
        if (bytes_.size() - position_ < length) return fail("a length runs past the end");
        const std::size_t stop = position_ + length;
        const std::size_t elementEnd = typeEnd(signature, at, 0, 0);
        while (position_ < stop) {
          std::size_t elementAt = at;
          if (!value(signature, elementAt, depth + 1, nullptr)) return false;
        }
        if (position_ != stop) return fail("an array whose length ends inside an element");
        at = elementEnd;
        return true;
      }
      case '(':
      case '{': {
        if (!align(8)) return false;
        const char close = type == '(' ? ')' : '}';
        while (signature[at] != close) {
          if (!value(signature, at, depth + 1, nullptr)) return false;
        }
        ++at;
        return true;
      }
      default:
        return fail("an invalid signature");
    }
  }

 private:
  std::string_view bytes_;
  bool bigEndian_;
  std::size_t position_ = 0;
  std::string error_;
};

class Writer {
 public:
  std::string bytes;

  void align(std::size_t alignment) {
    while (bytes.size() % alignment != 0) bytes.push_back('\0');
  }
  void uint32(std::uint32_t value) {
    align(4);
    for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<char>((value >> (8 * k)) & 0xFF));
  }
  void put32(std::size_t at, std::uint32_t value) {
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
  }

  // One argument of a basic type; false when it does not fit the type.
  bool value(char type, const WireArgument& argument) {
    if (type == 'b' || type == 'u') {
      if (type == 'b' && std::holds_alternative<bool>(argument)) {
        uint32(std::get<bool>(argument) ? 1 : 0);
        return true;
      }
      if (type == 'u' && std::holds_alternative<std::uint32_t>(argument)) {
        uint32(std::get<std::uint32_t>(argument));
        return true;
      }
      return false;
    }
    const auto* text = std::get_if<std::string>(&argument);
    if (text == nullptr || text->find('\0') != kNone || !isUtf8(*text)) return false;
    if (type == 'o' && !isObjectPath(*text)) return false;
    if (type == 'g') {
      if (!isSignature(*text)) return false;
      bytes.push_back(static_cast<char>(text->size()));
    } else {
      uint32(static_cast<std::uint32_t>(text->size()));
    }
    bytes.append(*text).push_back('\0');
    return true;
  }
};

}  // namespace

std::expected<std::string, std::string> encodeBusMessage(const WireMessage& message) {
  if (message.serial == 0) return std::unexpected("a message needs a serial");
  Writer writer;
  writer.bytes = {'l', static_cast<char>(message.type), static_cast<char>(message.flags), 1};
  writer.uint32(0);
  writer.uint32(message.serial);
  writer.uint32(0);
  bool written = true;
  auto field = [&](std::uint8_t code, const WireArgument& value) {
    writer.align(8);
    writer.bytes.push_back(static_cast<char>(code));
    writer.bytes.append({'\1', kFieldTypes[code], '\0'});
    written = written && writer.value(kFieldTypes[code], value);
  };
  for (std::uint8_t code = kPathField; code < kFieldTypes.size(); ++code) {
    if (code == kReplySerialField && message.replySerial) field(code, *message.replySerial);
    const auto text = kTextFields[code];
    if (text != nullptr && !(message.*text).empty()) field(code, message.*text);
  }
  if (!written) return std::unexpected("a header field that cannot be sent");
  writer.put32(12, static_cast<std::uint32_t>(writer.bytes.size() - kBusFixedHeaderSize));
  writer.align(8);

  const std::size_t bodyStart = writer.bytes.size();
  if (message.signature.find_first_not_of(kArgumentTypes) != kNone ||
      message.signature.size() != message.arguments.size()) {
    return std::unexpected("arguments that do not match the signature \"" + message.signature +
                           "\"");
  }
  for (std::size_t i = 0; i < message.arguments.size(); ++i) {
    if (!writer.value(message.signature[i], message.arguments[i])) {
      return std::unexpected("argument " + std::to_string(i + 1) + " cannot be sent as '" +
                             message.signature[i] + "'");
    }
  }
  if (writer.bytes.size() > kBusMessageLimit) return std::unexpected("a message over the limit");
  writer.put32(4, static_cast<std::uint32_t>(writer.bytes.size() - bodyStart));
  return std::move(writer.bytes);
}

std::expected<std::optional<std::size_t>, std::string> busMessageLength(std::string_view bytes) {
  if (bytes.size() < kBusFixedHeaderSize) return std::nullopt;
  if (bytes[0] != 'l' && bytes[0] != 'B') return std::unexpected("an unknown byte order");
  if (bytes[3] != 1) {
    return std::unexpected("protocol version " +
                           std::to_string(static_cast<unsigned char>(bytes[3])));
  }
  const bool bigEndian = bytes[0] == 'B';
  const std::uint32_t fields = read32(bytes, 12, bigEndian);
  if (fields > kBusArrayLimit) return std::unexpected("header fields over the array limit");
  const std::size_t total = aligned8(kBusFixedHeaderSize + fields) + read32(bytes, 4, bigEndian);
  if (total > kBusMessageLimit) return std::unexpected("a message over the limit");
  return total;
}

std::expected<WireMessage, std::string> decodeBusMessage(std::string_view bytes) {
  const auto length = busMessageLength(bytes);
  if (!length) return std::unexpected(length.error());
  if (!*length) return std::unexpected("shorter than a message header");
  if (**length > bytes.size()) return std::unexpected("a length runs past the end");
  if (**length < bytes.size()) return std::unexpected("bytes after the message");

  const bool bigEndian = bytes[0] == 'B';
  WireMessage message;
  message.type = static_cast<std::uint8_t>(bytes[1]);
  message.flags = static_cast<std::uint8_t>(bytes[2]);
  message.serial = read32(bytes, 8, bigEndian);
  if (message.serial == 0) return std::unexpected("a message without a serial");

  Reader reader(bytes, bigEndian);
  reader.seek(kBusFixedHeaderSize);
  const std::size_t fieldsEnd = kBusFixedHeaderSize + read32(bytes, 12, bigEndian);
  std::array<bool, kFieldTypes.size()> seen{};
  auto failed = [&] { return std::unexpected(reader.error()); };
  while (reader.position() < fieldsEnd) {
    std::uint8_t code = 0;
    std::string type;
    if (!reader.align(8) || !reader.byte(code) || !reader.signatureValue(type)) return failed();
    if (!isSingleType(type)) return std::unexpected("a header field that is not of one type");
    std::size_t at = 0;
    if (code == 0 || code >= kFieldTypes.size()) {
      if (!reader.value(type, at, 1, nullptr)) return failed();
      continue;
    }
    if (type.size() != 1 || type[0] != kFieldTypes[code]) {
      return std::unexpected("header field " + std::to_string(code) + " of type " + type);
    }
    if (seen[code]) return std::unexpected("header field " + std::to_string(code) + " twice");
    seen[code] = true;
    WireArgument value;
    if (!reader.value(type, at, 1, &value)) return failed();
    // Descriptors are never negotiated, so none come: their count is passed over.
    if (code == kReplySerialField) {
      message.replySerial = std::get<std::uint32_t>(value);
    } else if (kTextFields[code] != nullptr) {
      message.*kTextFields[code] = std::get<std::string>(std::move(value));
    }
  }
  if (reader.position() != fieldsEnd) return std::unexpected("header fields past their length");
  if (!reader.align(8)) return failed();

  const bool mandatory[] = {
      message.type != static_cast<std::uint8_t>(WireMessageType::MethodCall) ||
          (!message.path.empty() && !message.member.empty()),
      message.type != static_cast<std::uint8_t>(WireMessageType::Signal) ||
          (!message.path.empty() && !message.interface.empty() && !message.member.empty()),
      message.type != static_cast<std::uint8_t>(WireMessageType::Error) ||
          (!message.errorName.empty() && message.replySerial),
      message.type != static_cast<std::uint8_t>(WireMessageType::MethodReturn) ||
          message.replySerial.has_value(),
  };
  for (const bool present : mandatory) {
    if (!present) return std::unexpected("a header field its type requires is missing");
  }

  const bool readable = message.signature.find_first_not_of(kArgumentTypes) == kNone;
  for (std::size_t at = 0; at < message.signature.size();) {
    WireArgument argument;
    if (!reader.value(message.signature, at, 0, readable ? &argument : nullptr)) return failed();
    if (readable) message.arguments.push_back(std::move(argument));
  }
  if (reader.position() != bytes.size()) {
    return std::unexpected("a body longer than its signature \"" + message.signature + "\"");
  }
  return message;
}

}  // namespace vigilix::platform

namespace vigilix::platform {

WireMessage busDaemonCall(std::string member, std::string signature,
                          std::vector<WireArgument> arguments) {
  WireMessage call;
  call.type = static_cast<std::uint8_t>(WireMessageType::MethodCall);
  call.path = kBusDaemonPath;
  call.interface = kBusDaemonName;
  call.member = std::move(member);
  call.destination = kBusDaemonName;
  call.signature = std::move(signature);
  call.arguments = std::move(arguments);
  return call;
}

}  // namespace vigilix::platform
