#pragma once

#include <memory>

namespace vigilix {

class VGXTriggerBridge;

// The notices of keep-awake sessions, as the hub uses them.
class HubSessionNotices {
 public:
  virtual ~HubSessionNotices() = default;
  // Lets the notices read and extend the hub's session (held weakly) and
  // starts them; they start once.
  virtual void connect(const std::shared_ptr<VGXTriggerBridge>& hub) = 0;
  // A manual session begins: its notices share a new thread.
  virtual void startNewSession() = 0;
  // The heat rule stopped keep-awake.
  virtual void postHeatStopped() = 0;
};

}  // namespace vigilix
