#pragma once

#include <functional>

#include "closedlid/live_guard_transport.h"
#include "sleepguard/common/guard_wire.h"

namespace vigilix {

// One connection to the installer's socket; each reply gets one dictionary,
// an empty one when the connection ends first.
class VGXInstallerTransport {
 public:
  using Reply = std::function<void(const VGXGuardWire::Dictionary&)>;
  virtual ~VGXInstallerTransport() = default;
  // False when no connection could be made.
  virtual bool resume() = 0;
  virtual void invalidate() = 0;
  virtual void install(Reply reply) = 0;
  virtual void uninstall(Reply reply) = 0;
  virtual void status(Reply reply) = 0;
};

// The installer's socket under /run/vigilix (mapped under the file-system
// root), served as root by the packaged installer.
VGXServiceSocketExpectation installerSocketExpectation();

class LiveInstallerTransport final : public VGXInstallerTransport {
 public:
  explicit LiveInstallerTransport(
      VGXServiceSocketExpectation expectation = installerSocketExpectation());
  bool resume() override { return connection_.resume(); }
  void invalidate() override { connection_.invalidate(); }
  void install(Reply reply) override;
  void uninstall(Reply reply) override;
  void status(Reply reply) override;

 private:
  LivePacketConnection connection_;
};

}  // namespace vigilix
