#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/buswire/bus_address.h"
#include "platform/buswire/bus_error.h"
#include "platform/buswire/bus_message.h"

namespace vigilix::platform {

// A blocking connection to the session bus for a short-lived program, on one thread: calls
// wait for their reply, signals that arrive meanwhile wait for read(). Errors name the bus and
// the cause; once the bus has gone away or sent garbage, every later operation fails.
class BusWireConnection {
 public:
  using Clock = std::chrono::steady_clock;
  // How long a call waits for its reply unless told otherwise, as sd-bus does.
  static constexpr std::chrono::seconds kCallTimeout{25};

  // Connects to the first of the session bus's sockets that answers (DBUS_SESSION_BUS_ADDRESS,
  // else XDG_RUNTIME_DIR/bus), authenticates as this user and says Hello.
  static std::expected<std::unique_ptr<BusWireConnection>, BusError> openSession();
  static std::expected<std::unique_ptr<BusWireConnection>, BusError> open(
      const std::vector<BusSocketAddress>& sockets);
  ~BusWireConnection();
  BusWireConnection(const BusWireConnection&) = delete;
  BusWireConnection& operator=(const BusWireConnection&) = delete;

  // The name the bus gave this connection.
  const std::string& uniqueName() const { return uniqueName_; }

  // Sends a method call (its serial is set here) and waits for its return until the deadline,
  // kCallTimeout at most; an error reply is a BusError with the reply's name and text.
  std::expected<WireMessage, BusError> call(WireMessage message,
                                            Clock::time_point deadline = Clock::time_point::max());
  // Sends a message that expects no reply (its serial is set here).
  std::expected<void, BusError> send(WireMessage message);
  // The next message that is not a reply to a call: kept ones first, then what arrives before
  // the deadline; none once the deadline has passed.
  std::expected<std::optional<WireMessage>, BusError> read(Clock::time_point deadline);

 private:
  explicit BusWireConnection(int socket);

  std::expected<void, BusError> authenticateAndGreet();
  std::expected<void, BusError> write(const std::string& bytes);
  // Reads more bytes into the input, waiting until the deadline; false when it passed.
  std::expected<bool, BusError> fill(Clock::time_point deadline);
  // The next whole message on the wire, or none when the deadline passes first.
  std::expected<std::optional<WireMessage>, BusError> receive(Clock::time_point deadline);
  std::expected<WireMessage, BusError> awaitReply(std::uint32_t serial, Clock::time_point deadline);
  BusError failure(int code, std::string what);

  int socket_;
  std::uint32_t lastSerial_ = 0;
  std::string input_;
  std::deque<WireMessage> kept_;
  std::string uniqueName_;
  std::optional<BusError> broken_;
};

}  // namespace vigilix::platform
