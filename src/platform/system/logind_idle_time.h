#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/system/user_idle_time.h"

namespace vigilix::platform {

// The idle time logind keeps for the user's session (system bus): the moment
// of its `IdleSinceHint` (the last input on a text terminal; in a desktop
// session the last time the desktop said the user went idle or came back),
// read at start, followed through the session's PropertiesChanged and read
// afresh after every answer, for the next one. The session is the one of
// XDG_SESSION_ID, else logind's "auto" (the caller's, else the user's
// display session). No bus, no logind, no such session, or a hint of 0: no
// reading (the log says once why). Main thread only.
class LogindIdleTime final : public UserIdleTime {
 public:
  // Starts at the main queue's next turn; no reading until logind answers.
  explicit LogindIdleTime(std::string sessionId);
  ~LogindIdleTime() override;
  LogindIdleTime(const LogindIdleTime&) = delete;
  LogindIdleTime& operator=(const LogindIdleTime&) = delete;

  // The session this process belongs to, as the environment names it.
  static std::string sessionOfThisProcess();

  std::optional<double> secondsSinceLastInput() override;

 private:
  struct Watch;
  std::shared_ptr<Watch> watch_;
};

}  // namespace vigilix::platform
