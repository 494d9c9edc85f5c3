#pragma once

#include <filesystem>

#include "platform/dbus/bus_opening.h"
#include "testing/scoped_environment.h"

namespace vigilix::testing {

// While it lives the bus's address variable names a socket that does not
// exist, so code looking for that bus finds none and never reaches the
// machine's own.
class AbsentBus {
 public:
  explicit AbsentBus(platform::BusKind kind);
  ~AbsentBus();
  AbsentBus(const AbsentBus&) = delete;
  AbsentBus& operator=(const AbsentBus&) = delete;

 private:
  std::filesystem::path folder_;
  ScopedEnvironment address_;
};

// The variable that names a bus of this kind.
const char* busAddressVariable(platform::BusKind kind);

}  // namespace vigilix::testing
