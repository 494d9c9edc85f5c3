#include "triggers/trigger_reason.h"

namespace vigilix {

bool TriggerReason::kindHasPayload(Kind kind) {
  switch (kind) {
    case Kind::appRunning:
    case Kind::watchedFile:
    case Kind::watchedApp:
    case Kind::wifiNetwork:
    case Kind::agent:
      return true;
    default:
      return false;
  }
}

}  // namespace vigilix
