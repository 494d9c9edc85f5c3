#include "platform/buswire/bus_kind.h"

namespace vigilix::platform {

const char* busKindName(BusKind kind) {
  return kind == BusKind::Session ? "session bus" : "system bus";
}

}  // namespace vigilix::platform
