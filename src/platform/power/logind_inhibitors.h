#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dbus/bus_connection.h"
#include "platform/fs/unique_fd.h"

namespace vigilix::platform {

// One row of logind's ListInhibitors: `what` is a colon list ("sleep:idle"),
// `mode` "block" or "delay", `pid` the process that asked.
struct LogindInhibitor {
  std::string what;
  std::string who;
  std::string why;
  std::string mode;
  std::uint32_t uid = 0;
  std::uint32_t pid = 0;

  // Whether the colon list `what` names `item` ("sleep" is in "idle:sleep").
  bool inhibits(std::string_view item) const;
  bool operator==(const LogindInhibitor&) const = default;
};

// Whether `error` says logind is not running (or there is no system bus):
// no lock can be held then, by anyone.
bool logindIsNotRunning(const BusError& error);

// logind's inhibitor locks (org.freedesktop.login1.Manager).
class LogindInhibitors {
 public:
  virtual ~LogindInhibitors() = default;
  // Takes a lock; it lasts while the descriptor (close-on-exec) stays open.
  virtual std::expected<UniqueFd, BusError> inhibit(const std::string& what, const std::string& who,
                                                    const std::string& why,
                                                    const std::string& mode) = 0;
  virtual std::expected<std::vector<LogindInhibitor>, BusError> listInhibitors() = 0;
};

// Over the system bus (BusConnection::openSystem), a new connection per call,
// so any thread may call; each call blocks for at most the bus call timeout.
// No system bus or no logind answers a BusError.
class LiveLogindInhibitors final : public LogindInhibitors {
 public:
  std::expected<UniqueFd, BusError> inhibit(const std::string& what, const std::string& who,
                                            const std::string& why,
                                            const std::string& mode) override;
  std::expected<std::vector<LogindInhibitor>, BusError> listInhibitors() override;
};

}  // namespace vigilix::platform
