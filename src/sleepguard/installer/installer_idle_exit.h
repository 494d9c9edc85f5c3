#pragma once

#include <optional>

namespace vigilix {

// When the installer service may leave: 60 s after it started, or after its
// last connection closed, unless a connection is open by then. Times are
// seconds of one monotonic clock. The loop asks only between two requests,
// and a connection that opened meanwhile keeps it, so the exit can never
// land inside a transaction.
class VGXInstallerIdleExit {
 public:
  static constexpr double kIdleSeconds = 60.0;

  explicit VGXInstallerIdleExit(double now) : deadline_(now + kIdleSeconds) {}

  void connectionOpened();
  // Never counts below zero; the last close arms the exit again.
  void connectionClosed(double now);

  int connections() const { return connections_; }
  // When the exit falls due; none while it is not armed.
  std::optional<double> deadline() const { return deadline_; }
  // Armed, due, and no connection open at this moment.
  bool isDue(double now) const;

 private:
  int connections_ = 0;
  std::optional<double> deadline_;
};

}  // namespace vigilix
