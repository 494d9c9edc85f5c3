#include "platform/buswire/bus_wire_connection.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "platform/base/hex.h"
#include "platform/buswire/bus_kind.h"

namespace vigilix::platform {

namespace {

// Signals kept while a call waits; beyond it the oldest go, so a flood cannot grow us unbounded.
constexpr std::size_t kKeptLimit = 4096;
constexpr std::size_t kAuthLineLimit = 16 * 1024;
constexpr std::size_t kReadChunk = 64 * 1024;

std::string busName() { return busKindName(BusKind::Session); }

std::optional<std::string> environment(const char* name) {
  const char* value = secure_getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

int connectTo(const BusSocketAddress& address) {
  sockaddr_un socketAddress{};
  socketAddress.sun_family = AF_UNIX;
  const std::size_t offset = address.abstract ? 1 : 0;
  if (address.path.size() + offset >= sizeof(socketAddress.sun_path)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  std::memcpy(socketAddress.sun_path + offset, address.path.data(), address.path.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                             address.path.size() + (address.abstract ? 0 : 1));
  const int descriptor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (descriptor < 0) return -1;
  int result = 0;
  do {
    result = connect(descriptor, reinterpret_cast<const sockaddr*>(&socketAddress), length);
  } while (result < 0 && errno == EINTR);
  if (result < 0) {
    const int error = errno;
    close(descriptor);
    errno = error;
    return -1;
  }
  return descriptor;
}

bool isReply(const WireMessage& message) {
  return message.type == static_cast<std::uint8_t>(WireMessageType::MethodReturn) ||
         message.type == static_cast<std::uint8_t>(WireMessageType::Error);
}

}  // namespace

std::expected<std::unique_ptr<BusWireConnection>, BusError> BusWireConnection::openSession() {
  auto sockets =
      sessionBusSockets(environment("DBUS_SESSION_BUS_ADDRESS"), environment("XDG_RUNTIME_DIR"));
  if (!sockets) {
    return std::unexpected(
        BusError{ENOENT, {}, "cannot connect to the " + busName() + " (" + sockets.error() + ")"});
  }
  return open(*sockets);
}

std::expected<std::unique_ptr<BusWireConnection>, BusError> BusWireConnection::open(
    const std::vector<BusSocketAddress>& sockets) {
  int error = ENOENT;
  for (const BusSocketAddress& address : sockets) {
    const int descriptor = connectTo(address);
    if (descriptor < 0) {
      error = errno;
      continue;
    }
    std::unique_ptr<BusWireConnection> connection(new BusWireConnection(descriptor));
    // The protocol lets the authentication, BEGIN and the first messages go out together.
    connection->output_ = std::string(1, '\0') + "AUTH EXTERNAL " +
                          hexEncoded(std::to_string(geteuid())) + "\r\nBEGIN\r\n";
    auto hello = connection->queue(busDaemonCall("Hello", "", {}));
    if (!hello) return std::unexpected(hello.error());
    connection->helloSerial_ = *hello;
    return connection;
  }
  return std::unexpected(BusError{error, {}, "cannot connect to the " + busName()});
}

BusWireConnection::BusWireConnection(int socket) : socket_(socket) {}

BusWireConnection::~BusWireConnection() { close(socket_); }

BusError BusWireConnection::failure(int code, std::string what) {
  broken_ = BusError{code, {}, std::move(what)};
  return *broken_;
}

std::expected<void, BusError> BusWireConnection::awaitOpening() {
  if (broken_) return std::unexpected(*broken_);
  if (!uniqueName_.empty()) return {};
  const auto deadline = Clock::now() + kCallTimeout;
  std::size_t lineEnd = std::string::npos;
  while (!authenticated_ && (lineEnd = input_.find("\r\n")) == std::string::npos) {
    if (input_.size() > kAuthLineLimit) {
      return std::unexpected(failure(EPROTO, "the " + busName() + " answered no authentication"));
    }
    auto more = fill(deadline);
    if (!more) return std::unexpected(more.error());
    if (!*more) return std::unexpected(failure(ETIMEDOUT, "no answer from the " + busName()));
  }
  if (!authenticated_) {
    const std::string line = input_.substr(0, lineEnd);
    input_.erase(0, lineEnd + 2);
    if (!line.starts_with("OK ") || line.size() == 3) {
      return std::unexpected(
          failure(EACCES, "the " + busName() + " refused this user (\"" + line + "\")"));
    }
    authenticated_ = true;
  }
  auto reply = receiveReply(helloSerial_, deadline);
  if (!reply && !broken_) broken_ = reply.error();
  if (!reply) return std::unexpected(*broken_);
  if (reply->signature != "s") {
    return std::unexpected(failure(EPROTO, "the " + busName() + " gave this program no name"));
  }
  uniqueName_ = std::get<std::string>(reply->arguments[0]);
  return {};
}

std::expected<void, BusError> BusWireConnection::flush() {
  if (broken_) return std::unexpected(*broken_);
  for (std::size_t sent = 0; sent < output_.size();) {
    const ssize_t count =
        ::send(socket_, output_.data() + sent, output_.size() - sent, MSG_NOSIGNAL);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return std::unexpected(failure(errno, "cannot write to the " + busName()));
    sent += static_cast<std::size_t>(count);
  }
  output_.clear();
  return {};
}

std::expected<bool, BusError> BusWireConnection::fill(Clock::time_point deadline) {
  if (auto flushed = flush(); !flushed) return std::unexpected(flushed.error());
  while (true) {
    int timeout = -1;
    if (deadline != Clock::time_point::max()) {
      // Rounded up, so a wait never ends just before the deadline and spins; once it has
      // passed, one last look takes what is already there.
      const auto left = std::max(deadline - Clock::now(), Clock::duration::zero());
      timeout = static_cast<int>(std::min<std::int64_t>(
          std::chrono::ceil<std::chrono::milliseconds>(left).count(), 24 * 3600 * 1000));
    }
    pollfd descriptor{socket_, POLLIN, 0};
    const int ready = poll(&descriptor, 1, timeout);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return std::unexpected(failure(errno, "cannot wait on the " + busName()));
    if (ready == 0 && (timeout == 0 || Clock::now() >= deadline)) return false;
    if (ready == 0) continue;
    // The room is not cleared first: pages nothing is read into are never touched.
    ssize_t count = 0;
    input_.resize_and_overwrite(input_.size() + kReadChunk, [&](char* data, std::size_t room) {
      const std::size_t had = room - kReadChunk;
      count = recv(socket_, data + had, kReadChunk, 0);
      return had + static_cast<std::size_t>(std::max<ssize_t>(count, 0));
    });
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return std::unexpected(failure(errno, "cannot read from the " + busName()));
    if (count == 0) return std::unexpected(failure(ECONNRESET, "the " + busName() + " went away"));
    return true;
  }
}

std::expected<std::optional<WireMessage>, BusError> BusWireConnection::receive(
    Clock::time_point deadline) {
  if (broken_) return std::unexpected(*broken_);
  while (true) {
    const auto length = busMessageLength(input_);
    if (!length) {
      return std::unexpected(
          failure(EBADMSG, "a bad message from the " + busName() + " (" + length.error() + ")"));
    }
    if (*length && input_.size() >= **length) {
      auto message = decodeBusMessage(std::string_view(input_).substr(0, **length));
      input_.erase(0, **length);
      if (!message) {
        return std::unexpected(
            failure(EBADMSG, "a bad message from the " + busName() + " (" + message.error() + ")"));
      }
      return std::move(*message);
    }
    auto more = fill(deadline);
    if (!more) return std::unexpected(more.error());
    if (!*more) return std::nullopt;
  }
}

std::expected<WireMessage, BusError> BusWireConnection::receiveReply(std::uint32_t serial,
                                                                     Clock::time_point deadline) {
  // Whatever the outcome, this reply is wanted no more: one that comes later is dropped.
  struct Forget {
    BusWireConnection& connection;
    std::uint32_t serial;
    ~Forget() { connection.awaited_.erase(serial); }
  } forget{*this, serial};
  std::optional<WireMessage> found;
  if (const auto kept = keptReplies_.find(serial); kept != keptReplies_.end()) {
    found = std::move(kept->second);
    keptReplies_.erase(kept);
  }
  while (!found) {
    auto message = receive(deadline);
    if (!message) return std::unexpected(message.error());
    if (!*message) return std::unexpected(BusError{ETIMEDOUT, {}, "no reply on the " + busName()});
    WireMessage& received = **message;
    if (isReply(received) && received.replySerial == serial) {
      found = std::move(received);
    } else if (isReply(received) && awaited_.contains(received.replySerial.value_or(0))) {
      keptReplies_.insert_or_assign(*received.replySerial, std::move(received));
    } else if (received.type == static_cast<std::uint8_t>(WireMessageType::Signal)) {
      if (kept_.size() == kKeptLimit) kept_.pop_front();
      kept_.push_back(std::move(received));
    }
  }
  if (found->type == static_cast<std::uint8_t>(WireMessageType::MethodReturn)) {
    return std::move(*found);
  }
  std::string text;
  // An error's text is its first argument, when it has one.
  if (found->signature.starts_with('s') && !found->arguments.empty()) {
    text = std::get<std::string>(found->arguments[0]);
  }
  return std::unexpected(BusError{EIO, found->errorName, std::move(text)});
}

std::expected<WireMessage, BusError> BusWireConnection::awaitReply(std::uint32_t serial,
                                                                   Clock::time_point deadline) {
  deadline = std::min(deadline, Clock::now() + kCallTimeout);
  if (auto opened = awaitOpening(); !opened) {
    awaited_.erase(serial);
    return std::unexpected(opened.error());
  }
  return receiveReply(serial, deadline);
}

std::expected<WireMessage, BusError> BusWireConnection::call(WireMessage message,
                                                             Clock::time_point deadline) {
  message.type = static_cast<std::uint8_t>(WireMessageType::MethodCall);
  const auto serial = queue(std::move(message));
  if (!serial) return std::unexpected(serial.error());
  return awaitReply(*serial, deadline);
}

std::expected<std::uint32_t, BusError> BusWireConnection::queue(WireMessage message) {
  if (broken_) return std::unexpected(*broken_);
  if (++lastSerial_ == 0) ++lastSerial_;
  message.serial = lastSerial_;
  const auto bytes = encodeBusMessage(message);
  if (!bytes) {
    return std::unexpected(
        BusError{EINVAL, {}, "cannot send on the " + busName() + " (" + bytes.error() + ")"});
  }
  output_ += *bytes;
  if (message.type == static_cast<std::uint8_t>(WireMessageType::MethodCall) &&
      (message.flags & kBusNoReplyExpected) == 0) {
    awaited_.insert(message.serial);
  }
  return message.serial;
}

std::expected<void, BusError> BusWireConnection::send(WireMessage message) {
  if (auto queued = queue(std::move(message)); !queued) return std::unexpected(queued.error());
  return flush();
}

std::expected<std::optional<WireMessage>, BusError> BusWireConnection::read(
    Clock::time_point deadline) {
  while (true) {
    if (!kept_.empty()) {
      WireMessage message = std::move(kept_.front());
      kept_.pop_front();
      return message;
    }
    if (auto opened = awaitOpening(); !opened) return std::unexpected(opened.error());
    auto message = receive(deadline);
    if (!message || !*message) return message;
    const auto type = (**message).type;
    if (type == static_cast<std::uint8_t>(WireMessageType::Signal) ||
        type == static_cast<std::uint8_t>(WireMessageType::MethodCall)) {
      return message;
    }
  }
}

}  // namespace vigilix::platform
