#pragma once

#include <functional>
#include <vector>

#include "keepawake/health_line.h"

namespace vigilix {

// The process-wide list of health-line providers. Any thread may register or
// ask; providers run on the caller's thread, outside the lock, so a provider
// may itself register or ask.
class VGXHealthRegistry {
 public:
  using Provider = std::function<std::vector<VGXHealthLine>()>;

  // Appends a provider; providers are never removed (the test platform
  // clears the list between tests).
  static void registerProvider(Provider provider);
  // Every provider's lines, in registration order. A provider registered
  // while this runs is first asked next time.
  static std::vector<VGXHealthLine> lines();
};

}  // namespace vigilix
