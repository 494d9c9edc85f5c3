// The closed-lid controller's parts on the machine itself.

#include <unistd.h>

#include <cstdlib>

#include "closedlid/closed_lid_feature.h"
#include "closedlid/live_guard_transport.h"
#include "closedlid/live_unit_registry.h"
#include "platform/base/logger.h"

namespace vigilix {

namespace {

// Without UPower's bus nobody can say whether there is a lid.
class UnknownLidWatcher final : public platform::VGXLidWatcher {
 public:
  platform::LidReading reading() const override { return {}; }
  void setOnChange(Handler) override {}
};

}  // namespace

VGXClosedLidParts liveClosedLidParts() {
  VGXClosedLidParts parts;
  parts.scheduler = std::make_unique<MainClientScheduler>();
  parts.units = std::make_unique<LiveUnitRegistry>();
  parts.helper = std::make_unique<VGXLidHelper>(
      [] { return std::make_unique<LiveInstallerTransport>(); }, *parts.scheduler, *parts.units);
  parts.client = std::make_unique<VGXSleepGuardClient>(
      [] { return std::make_unique<LiveGuardTransport>(); }, *parts.scheduler);
  auto system = platform::AsyncBusConnection::shared(platform::BusKind::System);
  if (!system) {
    platform::Logger("closed-lid")
        .error("No system bus: the lid is not known and the session is not locked: {}",
               system.error().description());
    parts.lid = std::make_unique<UnknownLidWatcher>();
    return parts;
  }
  parts.lid = std::make_unique<platform::UPowerLidWatcher>(*system);
  const char* sessionId = std::getenv("XDG_SESSION_ID");
  parts.locker = std::make_unique<platform::LogindSessionLocker>(
      *system, platform::LogindSessionLookup{
                   .sessionId = sessionId ? std::optional<std::string>(sessionId) : std::nullopt,
                   .pid = static_cast<unsigned>(::getpid())});
  return parts;
}

}  // namespace vigilix
