#include "platform/power/session_locker.h"

#include <systemd/sd-bus.h>

#include <string>

#include "platform/base/logger.h"

namespace vigilix::platform {

namespace {

const Logger& log() {
  static const Logger logger("Lid");
  return logger;
}

constexpr const char* kLogind = "org.freedesktop.login1";

}  // namespace

LogindSessionLocker::LogindSessionLocker(std::shared_ptr<AsyncBusConnection> systemBus,
                                         LogindSessionLookup lookup)
    : bus_(std::move(systemBus)), lookup_(std::move(lookup)) {}

void LogindSessionLocker::lock() {
  if (!bus_) return;
  const bool byId = lookup_.sessionId && !lookup_.sessionId->empty();
  // The session is looked up each time: logind may have given the user a new one.
  auto call = bus_->callAsync(
      {kLogind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
       byId ? "GetSession" : "GetSessionByPID"},
      [this, byId](sd_bus_message* message) {
        return byId ? sd_bus_message_append(message, "s", lookup_.sessionId->c_str())
                    : sd_bus_message_append(message, "u", lookup_.pid);
      },
      [this](const BusReply& reply) {
        const char* path = nullptr;
        if (!reply || sd_bus_message_read(*reply, "o", &path) <= 0) {
          log().error("The session cannot be locked: no session ({})",
                      reply ? "no path" : reply.error().description());
          return;
        }
        auto lockCall = bus_->callAsync(
            {kLogind, path, "org.freedesktop.login1.Session", "Lock"},
            [](sd_bus_message*) { return 0; },
            [](const BusReply& done) {
              if (done) {
                log().log("The session is locked: the lid closed while kept awake.");
              } else {
                log().error("The session cannot be locked: {}", done.error().description());
              }
            });
        if (lockCall) {
          lockCall_ = std::move(*lockCall);
        } else {
          log().error("The session cannot be locked: {}", lockCall.error().description());
        }
      });
  if (call) {
    lookupCall_ = std::move(*call);
  } else {
    log().error("The session cannot be locked: {}", call.error().description());
  }
}

}  // namespace vigilix::platform
