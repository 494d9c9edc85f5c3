#pragma once

#include <functional>

namespace vigilix {

// The global shortcut, as the hub uses it.
class HubShortcut {
 public:
  virtual ~HubShortcut() = default;
  // The shortcut runs `toggle` from now on; the shortcut starts once.
  virtual void connect(std::function<void()> toggle) = 0;
};

}  // namespace vigilix
