#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "sleepguard/common/guard_wire.h"

namespace vigilix {

// One connection to the guard's client socket. Each operation's reply gets
// one dictionary, on any thread; an empty one when the connection ends first.
// A request that cannot be sent gets no reply: only the handlers recover.
class VGXGuardTransport {
 public:
  using Reply = std::function<void(const VGXGuardWire::Dictionary&)>;
  using Handler = std::function<void()>;

  virtual ~VGXGuardTransport() = default;
  // The connection broke (interruption) or could not be made or kept
  // (invalidation); either fires once, on any thread.
  virtual void setInterruptionHandler(Handler handler) = 0;
  virtual void setInvalidationHandler(Handler handler) = 0;
  // False when no connection could be made; the handlers are not called then.
  virtual bool resume() = 0;
  // Ends the connection for good; no handler fires after it.
  virtual void invalidate() = 0;
  virtual void hold(bool userInitiated, std::int64_t batteryFloorPercent,
                    std::int64_t batteryCapHours, Reply reply) = 0;
  virtual void renew(const std::string& token, Reply reply) = 0;
  virtual void release(const std::string& token, Reply reply) = 0;
  virtual void status(Reply reply) = 0;
};

}  // namespace vigilix
