#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "keepawake/awake_state.h"
#include "menubar/awake_status_text.h"
#include "triggers/trigger_reason.h"
#include "triggers/watch.h"

namespace vigilix {

class VGXTriggerBridge;

// What the Triggers pane asks of the coordination hub.
class TriggersSettingsHub {
 public:
  virtual ~TriggersSettingsHub() = default;
  // Reads the stored rules again.
  virtual void reloadConfiguration() = 0;
  // The top switch's second step; it also ends a pause.
  virtual void setAutomationEnabled(bool enabled) = 0;
  // False when the hub refuses to watch it.
  virtual bool watchFileAt(const std::string& path) = 0;
  virtual TriggerPause pause() const = 0;
  // The trigger conditions that match now, the first one shown.
  virtual std::vector<TriggerReason> currentReasons() const = 0;
  virtual StatusTextContext statusTextContext() const = 0;
  // The live watches, in the hub's order.
  virtual std::vector<Watch> activeWatches() const = 0;
  // Marks the saved watch stopped, ends it and tells whoever follows
  // watches; an unknown identifier changes nothing.
  virtual void stopWatch(const std::string& idString) = 0;
  // False when the hub refuses to watch the process.
  virtual bool watchApp(std::int32_t processIdentifier) = 0;
};

// The process's hub, held weakly: a pane outliving it asks nothing.
std::shared_ptr<TriggersSettingsHub> makeTriggersSettingsHub(std::weak_ptr<VGXTriggerBridge> hub);
// The same over the process's shared hub.
std::shared_ptr<TriggersSettingsHub> makeSharedTriggersSettingsHub();

}  // namespace vigilix
