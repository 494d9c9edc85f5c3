#include "platform/power/session_locker.h"

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
      [this, byId](BusArgumentWriter& out) {
        if (byId) {
          out.string(*lookup_.sessionId);
        } else {
          out.uint32(lookup_.pid);
        }
      },
      [this](const BusReply& reply) {
        const auto path = readReply<BusObjectPath>(reply);
        if (!path) {
          log().error("The session cannot be locked: no session ({})",
                      reply ? "no path" : reply.error().description());
          return;
        }
        auto lockCall = bus_->callAsync(
            {kLogind, path->value.c_str(), "org.freedesktop.login1.Session", "Lock"}, {},
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
