#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <expected>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/buswire/bus_address.h"
#include "platform/buswire/bus_error.h"
#include "platform/buswire/bus_message.h"

namespace vigilix::platform {

// A blocking connection to the session bus for a short-lived program, on one thread. Messages
// are queued and go out together at the next wait, the opening among them: a program that queues
// its first calls before it waits pays one round trip for the opening and the calls. Replies wait
// for their awaitReply, signals for read(). Errors name the bus and the cause; once the bus has
// gone away or sent garbage, every later operation fails.
class BusWireConnection {
 public:
  using Clock = std::chrono::steady_clock;
  // How long a call waits for its reply unless told otherwise, as sd-bus does.
  static constexpr std::chrono::seconds kCallTimeout{25};

  // Connects to the first of the session bus's sockets that answers (DBUS_SESSION_BUS_ADDRESS,
  // else XDG_RUNTIME_DIR/bus) and queues the authentication as this user and Hello.
  static std::expected<std::unique_ptr<BusWireConnection>, BusError> openSession();
  static std::expected<std::unique_ptr<BusWireConnection>, BusError> open(
      const std::vector<BusSocketAddress>& sockets);
  ~BusWireConnection();
  BusWireConnection(const BusWireConnection&) = delete;
  BusWireConnection& operator=(const BusWireConnection&) = delete;

  // Sends what is queued and waits, kCallTimeout at most, until the bus has accepted this user
  // and named it; every wait below does so first.
  std::expected<void, BusError> awaitOpening();
  // The name the bus gave this connection; empty until the opening has been awaited.
  const std::string& uniqueName() const { return uniqueName_; }

  // Queues a message (its serial is set here and returned); a method call's reply is kept for
  // awaitReply.
  std::expected<std::uint32_t, BusError> queue(WireMessage message);
  // Sends what is queued, then waits until the deadline (kCallTimeout at most) for the reply to
  // the queued call `serial`; an error reply is a BusError with the reply's name and text.
  std::expected<WireMessage, BusError> awaitReply(
      std::uint32_t serial, Clock::time_point deadline = Clock::time_point::max());
  // queue() and awaitReply() of a method call.
  std::expected<WireMessage, BusError> call(WireMessage message,
                                            Clock::time_point deadline = Clock::time_point::max());
  // Queues a message that expects no reply and sends it with whatever is queued before it.
  std::expected<void, BusError> send(WireMessage message);
  // The next message that is not a reply to a call: kept ones first, then what arrives before
  // the deadline; none once the deadline has passed.
  std::expected<std::optional<WireMessage>, BusError> read(Clock::time_point deadline);
  // Sends what is queued without waiting, so the bus works on it while this program does
  // something else.
  std::expected<void, BusError> flush();
  // Why the connection is broken, once it is.
  const std::optional<BusError>& broken() const { return broken_; }

 private:
  explicit BusWireConnection(int socket);

  // Reads more bytes into the input, waiting until the deadline; false when it passed.
  std::expected<bool, BusError> fill(Clock::time_point deadline);
  // The next whole message on the wire, or none when the deadline passes first.
  std::expected<std::optional<WireMessage>, BusError> receive(Clock::time_point deadline);
  std::expected<WireMessage, BusError> receiveReply(std::uint32_t serial,
                                                    Clock::time_point deadline);
  BusError failure(int code, std::string what);

  int socket_;
  std::uint32_t lastSerial_ = 0;
  std::uint32_t helloSerial_ = 0;
  bool authenticated_ = false;
  std::string output_;
  std::string input_;
  std::deque<WireMessage> kept_;
  // Calls whose replies are still wanted, and those replies that came while another was awaited.
  std::set<std::uint32_t> awaited_;
  std::map<std::uint32_t, WireMessage> keptReplies_;
  std::string uniqueName_;
  std::optional<BusError> broken_;
};

}  // namespace vigilix::platform
