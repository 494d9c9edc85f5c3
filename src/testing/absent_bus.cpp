#include "testing/absent_bus.h"

#include "testing/temporary_folder.h"

namespace vigilix::testing {

const char* busAddressVariable(platform::BusKind kind) {
  return kind == platform::BusKind::System ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS";
}

AbsentBus::AbsentBus(platform::BusKind kind)
    : folder_(makeTemporaryFolder("vigilix-nobus")),
      address_(busAddressVariable(kind), "unix:path=" + (folder_ / "no_bus_socket").string()) {}

AbsentBus::~AbsentBus() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

}  // namespace vigilix::testing
