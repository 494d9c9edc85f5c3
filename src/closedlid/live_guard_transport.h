#pragma once

#include <deque>
#include <mutex>
#include <thread>

#include "closedlid/guard_socket_check.h"
#include "closedlid/guard_transport.h"
#include "sleepguard/common/guard_interfaces.h"

namespace vigilix {

// One connection to a root service's packet socket. The service answers the
// requests of a connection in order, so replies are matched to requests by
// order. A reader thread takes each reply; when the connection ends it
// answers what is still pending with an empty dictionary, then calls the
// invalidation handler.
class LivePacketConnection {
 public:
  using Reply = VGXGuardTransport::Reply;
  using Handler = VGXGuardTransport::Handler;

  explicit LivePacketConnection(VGXServiceSocketExpectation expectation);
  ~LivePacketConnection();
  LivePacketConnection(const LivePacketConnection&) = delete;
  LivePacketConnection& operator=(const LivePacketConnection&) = delete;

  void setInvalidationHandler(Handler handler);
  bool resume();
  void invalidate();
  // Not sent (and never answered) when not connected.
  void send(const VGXGuardRequest& request, Reply reply);

 private:
  void read();
  std::optional<Reply> takePending();

  VGXServiceSocketExpectation expectation_;
  std::mutex mutex_;
  platform::UniqueFd fd_;
  std::deque<Reply> pending_;
  Handler invalidationHandler_;
  bool invalidated_ = false;
  std::thread reader_;
};

// The guard's client socket under /run/vigilix (mapped under the file-system
// root), served by the installed guard as root.
VGXServiceSocketExpectation guardSocketExpectation();

class LiveGuardTransport final : public VGXGuardTransport {
 public:
  explicit LiveGuardTransport(VGXServiceSocketExpectation expectation = guardSocketExpectation());

  // A socket has no separate interruption: the end of the connection is
  // reported as invalidation.
  void setInterruptionHandler(Handler) override {}
  void setInvalidationHandler(Handler handler) override;
  bool resume() override;
  void invalidate() override;
  void hold(bool userInitiated, std::int64_t batteryFloorPercent, std::int64_t batteryCapHours,
            Reply reply) override;
  void renew(const std::string& token, Reply reply) override;
  void release(const std::string& token, Reply reply) override;
  void status(Reply reply) override;

 private:
  LivePacketConnection connection_;
};

}  // namespace vigilix
