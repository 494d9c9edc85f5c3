#pragma once

#include "closedlid/closed_lid_seams.h"
#include "closedlid/sleep_guard_client.h"

namespace vigilix {

// The guard client as the controller drives it.
class VGXSleepGuardClientLink final : public VGXClosedLidGuardLink {
 public:
  explicit VGXSleepGuardClientLink(VGXSleepGuardClient& client) : client_(client) {}
  void setArmed(bool armed, bool userInitiated, int batteryFloorPercent,
                int batteryCapHours) override {
    client_.setArmed(armed, userInitiated, batteryFloorPercent, batteryCapHours);
  }
  VGXGuardClientReading reading() const override {
    const VGXSleepGuardClient::Snapshot& snapshot = client_.snapshot();
    return {snapshot.ready, snapshot.status, snapshot.executableSHA256};
  }

 private:
  VGXSleepGuardClient& client_;
};

}  // namespace vigilix
